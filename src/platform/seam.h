// Everything through which the core reaches the operator and the machine, handed down together
// by reference: message boxes, the progress windows, the clock of the protocol's pauses and
// limits, and the system's facts. Each front end (and each test) makes its own.
#pragma once

#include "platform/clock.h"
#include "platform/progress.h"
#include "platform/system_facts.h"
#include "platform/ui.h"

namespace rk::platform {

struct Seam {
    Ui& ui;
    ProgressRegistry& progress;
    Clock& clock;
    SystemFacts& system;
};

} // namespace rk::platform
