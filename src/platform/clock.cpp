#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace rk::platform {
namespace {

std::atomic<double> scale{1.0};

} // namespace

void pause(int milliseconds) {
    const double scaled = milliseconds * scale.load();
    if (scaled <= 0) return;
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(scaled));
}

void setPaceScale(double value) {
    scale.store(value < 0 ? 0 : value);
}

double paceScale() {
    return scale.load();
}

} // namespace rk::platform
