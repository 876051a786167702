// Every fixed pause of the protocol goes through here. The program keeps the real durations;
// tests set the scale to 0 so that a whole transfer runs in milliseconds.
#pragma once

namespace rk::platform {

// Sleeps for the given time multiplied by the pace scale (1 by default).
void pause(int milliseconds);

// 1.0 keeps the real durations, 0 skips every pause.
void setPaceScale(double scale);
double paceScale();

// Sets the scale for the lifetime of the object and restores the previous one afterwards.
class ScopedPaceScale {
public:
    explicit ScopedPaceScale(double scale) : previous_(paceScale()) { setPaceScale(scale); }
    ~ScopedPaceScale() { setPaceScale(previous_); }
    ScopedPaceScale(const ScopedPaceScale&) = delete;
    ScopedPaceScale& operator=(const ScopedPaceScale&) = delete;

private:
    double previous_;
};

} // namespace rk::platform
