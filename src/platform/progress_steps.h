// The arithmetic behind every progress display: the sender says which step of the current share
// it has reached, the display turns that into a percentage. Shared by the progress windows and
// the command line's progress bar, so that both show the same numbers.
#pragma once

#include "platform/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace rk::platform {

class ProgressSteps {
public:
    // Applies one progress message. Returns the position the display is to show when the
    // message moves it (`WM_PRG_SETPOS`, `WM_PRG_STEP`), nullopt for the three that only set a
    // value and for unknown messages.
    std::optional<int> apply(int message, std::int64_t value) {
        switch (message) {
        case WM_PRG_SETPOS:
            return shownPosition(toInt(value));
        case WM_PRG_STARTPOS:
            startPos_ = toInt(value);
            return std::nullopt;
        case WM_PRG_ENDPOS:
            endPos_ = toInt(value);
            return std::nullopt;
        case WM_PRG_RANGE:
            range_ = toInt(value);
            return std::nullopt;
        case WM_PRG_STEP:
            return stepPosition(value);
        default:
            return std::nullopt;
        }
    }

    // What a set position shows: above 100 is 100; below 0 is passed on as it is.
    static int shownPosition(int position) { return std::min(position, 100); }

    // The position of step `count` within the share from StartPos to EndPos of Range steps,
    // truncated toward zero, never past EndPos, and within 0..100.
    int stepPosition(std::int64_t count) const {
        double position = 0;
        if (range_ == 0) {
            position = endPos_;
        } else if (count < 0) {
            position = startPos_;
        } else {
            position = std::trunc(static_cast<double>(startPos_) +
                                  (static_cast<double>(endPos_) - startPos_) *
                                      (static_cast<double>(count) / static_cast<double>(range_)));
            if (!(position < endPos_)) position = endPos_;
        }
        return static_cast<int>(std::clamp(position, 0.0, 100.0));
    }

    int startPos() const { return startPos_; }
    int endPos() const { return endPos_; }
    int range() const { return range_; }

private:
    // Values arrive as 64 bits; the fields are 32-bit and keep the nearest value they can hold.
    static int toInt(std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max()));
    }

    std::int32_t startPos_ = 0;
    std::int32_t endPos_ = 0;
    std::int32_t range_ = 0;
};

} // namespace rk::platform
