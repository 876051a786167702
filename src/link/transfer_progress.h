// Posts to the communication progress window ("データ通信実行中"), if one is open.
#pragma once

#include "platform/progress.h"

#include <cstdint>

namespace rk::link {

constexpr int kProgressSetPosition = platform::WM_PRG_SETPOS;
constexpr int kProgressStartPosition = platform::WM_PRG_STARTPOS;
constexpr int kProgressEndPosition = platform::WM_PRG_ENDPOS;
constexpr int kProgressRange = platform::WM_PRG_RANGE;
constexpr int kProgressStep = platform::WM_PRG_STEP;

inline void postCommunicationProgress(platform::ProgressRegistry& progress, int message, std::int64_t value) {
    progress.post(platform::communicationProgressTitle(), message, value);
}

} // namespace rk::link
