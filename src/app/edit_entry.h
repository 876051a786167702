// The first half of the edit entry procedure of the main window: applying a changed memory
// count before the menu window opens.
#pragma once

#include "platform/ui.h"

namespace rk::app {

// Brings MemoryMode to the main window's memory selection (1 = 600, 2 = 990). With a phonebook
// present the operator is asked first, and Yes empties the phonebook laid out for the old count.
// Returns false when the operator refused, in which case nothing has changed and the menu
// window must not open; otherwise also resets the file kind of the file dialogs.
bool prepareEditEntry(const platform::Owner& owner, int memorySelection);

} // namespace rk::app
