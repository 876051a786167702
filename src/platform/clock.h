// Every fixed pause of the protocol and every time limit of a socket wait goes through one clock
// object. The program keeps the real durations; tests scale the pauses to zero so that a whole
// transfer runs in milliseconds, and shrink the limits when they wait for a time-out on purpose.
// The time of day that the program writes (snapshot names, the HTTP Date line) comes from here
// too, so that a test can name it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

namespace rk::platform {

class Clock {
public:
    // 1.0 keeps the real durations; 0 skips every pause. A limit is never scaled below one
    // millisecond, so that a wait for data that is already there still succeeds.
    explicit Clock(double pauseScale = 1.0, double limitScale = 1.0)
        : pauseScale_(clamped(pauseScale)), limitScale_(clamped(limitScale)) {}
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

    // Sleeps for the given time multiplied by the pause scale.
    void pause(int milliseconds) const;

    // How long a wait limited to so many seconds may take, in milliseconds; -1 (no limit) for a
    // limit of 0 or less.
    int limitMilliseconds(int seconds) const;

    // The same for a limit given in milliseconds.
    int scaledLimit(int milliseconds) const;

    using WallTime = std::chrono::system_clock::time_point;
    // The time of day: the system's, unless a test set its own source (before any thread uses the
    // clock).
    WallTime now() const { return wallTime_ ? wallTime_() : std::chrono::system_clock::now(); }
    void setWallTime(std::function<WallTime()> source) { wallTime_ = std::move(source); }

    void setPauseScale(double scale) { pauseScale_.store(clamped(scale)); }
    void setLimitScale(double scale) { limitScale_.store(clamped(scale)); }
    double pauseScale() const { return pauseScale_.load(); }
    double limitScale() const { return limitScale_.load(); }

private:
    static double clamped(double scale) { return scale < 0 ? 0 : scale; }

    std::atomic<double> pauseScale_;
    std::atomic<double> limitScale_;
    std::function<WallTime()> wallTime_;
};

} // namespace rk::platform
