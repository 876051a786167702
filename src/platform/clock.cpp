#include "platform/clock.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace rk::platform {

void Clock::pause(int milliseconds) const {
    const double scaled = milliseconds * pauseScale_.load();
    if (scaled <= 0) return;
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(scaled));
}

int Clock::scaledLimit(int milliseconds) const {
    if (milliseconds <= 0) return -1;
    const double scaled = std::ceil(milliseconds * limitScale_.load());
    return static_cast<int>(std::clamp(scaled, 1.0, 2147483647.0));
}

int Clock::limitMilliseconds(int seconds) const {
    if (seconds <= 0) return -1;
    return scaledLimit(seconds > 2147483 ? 2147483647 : seconds * 1000);
}

} // namespace rk::platform
