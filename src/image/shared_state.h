// Process-wide settings and flags of the user interface that deeper code reads.
#pragma once

#include <string>

namespace rk {

struct SharedState {
    int dupCheckEnabled = 0;   // 1: the same telephone number may not be registered twice
    int phonebookPresent = 0;  // set once a phonebook was read, loaded or edited
    int phonebookFileKind = 0; // 1 common phonebook, 2 my phonebook (file dialogs)
    std::string startupDir;    // work directory: the current directory at start-up
};

SharedState& sharedState();

} // namespace rk
