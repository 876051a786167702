// The PC-side speed-dial text files: sys-tan.txt (the common phonebook) and tel-tan.txt (every
// telephone's my phonebook), also the operator's save files. Shift-JIS, CR LF line ends, the
// 192-byte header line first, then a column header and one record line per memory.
//
// The file routines work on the location and column order the caller sets beforehand in the
// workspace's file settings. The formatting and parsing underneath work on bytes, so that tests,
// the fuzzer and the benchmarks reach them without files.
#pragma once

#include "phonebook/line_table.h"
#include "phonebook/load_observer.h"
#include "phonebook/workspace.h"
#include "platform/file_writer.h"
#include "platform/ui.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace rk::phonebook {

// Which phonebook a file holds (any kind other than 2 is taken as the common phonebook).
constexpr int kCommonPhonebookFile = 1;
constexpr int kMyPhonebookFile = 2;

// Results of the file routines.
constexpr int kFileDone = 0;
constexpr int kFileNotOpenable = 30;

// Writes the phonebook of a kind from the working copy to PhoneDir + PhoneFileName. The previous
// file is replaced only once the new one is complete. 0 when written, 30 when the file could not
// be created (also after creating its directory; `failure`, when given, then says why). The wait
// cursor shows while it runs.
[[nodiscard]] int writePhonebookFile(Workspace& workspace, platform::Ui& ui, int kind,
                                     platform::WriteFailure* failure = nullptr);

// Reads PhoneDir + PhoneFileName into the working copy through the plain stores. Loading does
// not clear first. 0 when read (also when the content was not recognised and nothing was
// stored), 30 when the file could not be opened. A file that starts with the UTF-8 byte-order
// mark (a spreadsheet's "CSV UTF-8") is converted to Shift-JIS first, each character Shift-JIS
// cannot hold becoming a blank. Only the first 1,920,000 bytes after the header line are read.
// The observer, when given, hears of every decision the parser takes (and of a rest of the file
// that is not read); what is stored is the same with or without it.
[[nodiscard]] int readPhonebookFile(Workspace& workspace, platform::Ui& ui, int kind,
                                    LoadObserver* observer = nullptr);

// The bytes of a file that readPhonebookFile looks at, and no more (a file of any size costs at
// most that much memory); parsePhonebookFile over them stores what readPhonebookFile would.
// nullopt when the file cannot be opened or is no regular file.
std::optional<std::string> readPhonebookFileBytes(const std::filesystem::path& path);

// ---- the formats over bytes ----

// The whole file of a kind as it is written: the given header line, the column header and the
// record lines, laid out through the workspace's LineTable.
std::string formatPhonebookFile(Workspace& workspace, int kind, const FileHeaderLine::Line& header,
                                int unitOrderFlag);

// Takes the header line's carried fields from a file's first bytes (zeroing them first) and
// parses the rest with the parser of the kind. Only the first 1,920,000 bytes after the header
// line are looked at, as the file routine reads no more. UTF-8 with the byte-order mark is
// converted first, as readPhonebookFile does.
void parsePhonebookFile(Workspace& workspace, int kind, std::span<const char> file, int unitOrderFlag,
                        LoadObserver* observer = nullptr);

// The parsers proper, over the bytes that follow the header line (or the whole file when it has
// none): column header, then the record lines.
void parseCommonPhonebook(Workspace& workspace, std::span<const char> body, int unitOrderFlag,
                          LoadObserver* observer = nullptr);
void parseMyPhonebook(Workspace& workspace, std::span<const char> body, LoadObserver* observer = nullptr);

// The column headers, in CP932, without CR LF.
std::string commonColumnHeader(int unitOrderFlag);
std::string myPhonebookColumnHeader();

} // namespace rk::phonebook
