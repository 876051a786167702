// The file window's load and save for the commands that read or write the operator's files: the
// path comes from the command line, the steps and their messages are the window's own.
#pragma once

#include "cli/commands.h"
#include "phonebook/load_report.h"

#include <string>

namespace rk::cli {

// Loads a save file of a kind (1 common, 2 my phonebook) into the working copy. False after
// the window's message. When the load stores the file otherwise than it is written, the load
// report's summary goes to stderr.
bool loadOperatorFile(Context& context, const std::string& path, int kind);

// The same, the whole load report going to the caller (finished, nothing printed).
bool loadOperatorFile(Context& context, const std::string& path, int kind, phonebook::LoadReport& report);

// Saves the working copy's phonebook of a kind after the free-space check. False after the
// window's message.
bool saveOperatorFile(Context& context, const std::string& path, int kind);

} // namespace rk::cli
