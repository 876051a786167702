// The file window's load and save for the commands that read or write the operator's files: the
// path comes from the command line, the steps and their messages are the window's own.
#pragma once

#include "cli/commands.h"
#include "phonebook/edit_steps.h"
#include "phonebook/load_report.h"

#include <string>

namespace rk::cli {

// Loads a save file of a kind (1 common, 2 my phonebook) into the working copy. False after the
// window's message, or after saying on stderr why the file is no phonebook file of the kind (the
// load report's finding; nothing was loaded then). When the load stores the file otherwise than
// it is written, the load report's summary goes to stderr.
bool loadOperatorFile(Context& context, const std::string& path, int kind);

// The same, the whole load report going to the caller (finished, nothing printed but a refusal).
// `check` loads a file that is no phonebook file all the same, to report on it.
bool loadOperatorFile(Context& context, const std::string& path, int kind, phonebook::LoadReport& report,
                      phonebook::NonPhonebookFile nonPhonebook = phonebook::NonPhonebookFile::Refuse);

// Says on stderr why a file is no phonebook file of a kind: the load report's finding.
void tellNotPhonebook(const std::string& path, int kind, const phonebook::LoadFinding& finding);

// Two paths that name one file, as far as can be told before either exists (one of the two
// outputs of a command would be lost).
bool sameFile(const std::string& first, const std::string& second);

// Saves the working copy's phonebook of a kind after the checks of the file window's save (the
// target a regular file or none, room on the disk). False after the message.
bool saveOperatorFile(Context& context, const std::string& path, int kind);

} // namespace rk::cli
