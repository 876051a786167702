// What the edit entry procedure and its windows do below the windows: the memory-count change
// before the menu window opens, the file window's load and save with their checks and messages,
// and the phonebook step of "ファイルデータ保存" and "戻る". The desktop program and the command
// line both call these, each with its own way of choosing a file and of running a locked step.
#pragma once

#include "phonebook/load_report.h"
#include "phonebook/workspace.h"
#include "platform/seam.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace rk::phonebook {

// Brings MemoryMode to the main window's memory selection (1 = 600, 2 = 990). With a phonebook
// present the operator is asked first, and Yes empties the phonebook laid out for the old count.
// False when the operator refused: nothing has changed and the menu window must not open.
bool applyEditMemoryCount(Workspace& workspace, platform::Ui& ui, const platform::Owner& owner,
                          int memorySelection);

// Picks the file of a load or save: the file dialog in the desktop program, the path given on the
// command line. nullopt: cancelled (the command line cancels when asked a second time).
using FileChooser = std::function<std::optional<std::filesystem::path>()>;

// Runs a step that works on the phonebook while holding the workspace's edit lock, so that no
// browser request overlaps it. The desktop program waits for the lock without blocking its
// thread (a request holding the lock may be waiting for a message box of that thread); the
// command line simply waits.
using PhonebookStep = std::function<int()>;
using StepRunner = std::function<int(const PhonebookStep&)>;

// The runner that waits for the lock on the calling thread.
StepRunner blockingRunner(Workspace& workspace);

// NotPhonebook: a load refused a file that is no phonebook file of its kind.
enum class FileStepResult { Done, Cancelled, Failed, NotPhonebook };

// What a load does with a file that does not begin as a phonebook file of its kind, so that
// nothing in it would be stored (empty, random bytes, a file of the other kind). The desktop
// program loads it as the documents have it: the load succeeds and stores nothing. The command
// line refuses it, so that such a file never becomes an empty phonebook that is saved or sent.
enum class NonPhonebookFile { Load, Refuse };

// "ファイルデータ読込" for a kind (1 common, 2 my phonebook): chooses a file until one exists and
// can be opened (each refusal with the window's message), reads it into the working copy in the
// PC's column order, and refreshes the backup copy whatever happened, cancel included.
// PhonebookPresent is set after a load; a failed load shows the window's message. The report,
// when given, hears of every decision the parser takes (the command line's load report). A file
// refused as no phonebook file changes nothing (not even the backup copy); the report's
// notPhonebook() says why, and no message is shown.
FileStepResult loadPhonebookFromFile(Workspace& workspace, platform::Ui& ui, const platform::Owner& owner,
                                     int kind, const FileChooser& choose, const StepRunner& run,
                                     LoadReport* report = nullptr,
                                     NonPhonebookFile nonPhonebook = NonPhonebookFile::Load);

// "ファイルデータ保存" for a kind once the file window is open: chooses the file, refuses a target
// that is there and is no regular file (a directory, a pipe, a device) and a disk without the room
// the save needs (each with its message), writes the working copy's phonebook and reports a failed
// write.
FileStepResult savePhonebookToFile(Workspace& workspace, const platform::Seam& seam,
                                   const platform::Owner& owner, int kind, const FileChooser& choose,
                                   const StepRunner& run);

// With the duplicate check on, browser edits live in the backup copy: before the save window
// opens and when the menu window is left, the working copy is rebuilt from it (page 0 of
// applyPageFromBackup). Run with the edit lock held.
void settleBrowserEdits(Workspace& workspace);

// The memories of the phonebook a file of this kind holds, in the memory count in force: the
// common phonebook's, or those of one telephone.
int memoryCountOf(const Workspace& workspace, int kind);

} // namespace rk::phonebook
