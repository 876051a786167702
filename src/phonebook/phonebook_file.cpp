// The file routines around the formats: where the file is, reading it into the LineTable area,
// writing it so that a failed save leaves the previous file as it was.
#include "phonebook/phonebook_file.h"

#include "phonebook/phonebook_file_layout.h"
#include "platform/file_writer.h"
#include "platform/ui.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rk::phonebook {
namespace detail {

void putThreeDigits(LineTable& table, std::size_t index, std::size_t column, int value) {
    const int clamped = std::clamp(value, 0, 999);
    const char digits[3] = {static_cast<char>('0' + clamped / 100),
                            static_cast<char>('0' + clamped / 10 % 10),
                            static_cast<char>('0' + clamped % 10)};
    table.put(index, column, std::string_view(digits, 3));
}

namespace {

template <std::size_t N>
void putColumn(LineTable& table, std::size_t index, std::size_t column, const std::array<char, N>& field,
               std::size_t width) {
    const std::size_t length = strnlen(field.data(), std::min(width, N));
    table.put(index, column, std::string_view(field.data(), length));
    if (length < width) table.putByte(index, column + length, 0);
}

} // namespace

void putEntryColumns(LineTable& table, std::size_t index, const EntryText& text) {
    putColumn(table, index, kNumberColumn, text.number, kNumberWidth);
    putColumn(table, index, kKanaColumn, text.kanaName, kNameWidth);
    putColumn(table, index, kKanjiColumn, text.kanjiName, kNameWidth);
}

std::string_view columnText(const LineTable::Line& line, std::size_t column, std::size_t width) {
    if (column >= line.size()) return {};
    const std::size_t available = std::min(width, line.size() - column);
    return std::string_view(line.data() + column, strnlen(line.data() + column, available));
}

} // namespace detail

std::string formatPhonebookFile(Workspace& workspace, int kind, const FileHeaderLine::Line& header,
                                int unitOrderFlag) {
    if (kind == kMyPhonebookFile) return detail::formatMyPhonebook(workspace, header);
    return detail::formatCommonPhonebook(workspace, header, unitOrderFlag);
}

namespace {

void parseBody(Workspace& workspace, int kind, std::span<const char> body, int unitOrderFlag) {
    body = body.first(std::min(body.size(), LineTable::kTotalBytes));
    if (kind == kMyPhonebookFile)
        parseMyPhonebook(workspace, body);
    else
        parseCommonPhonebook(workspace, body, unitOrderFlag);
}

std::string phonebookPath(Workspace& workspace) {
    const PhonebookFileSettings& settings = workspace.fileSettings();
    return settings.phoneDir + settings.phoneFileName;
}

// Reads up to `size` bytes; fewer at the end of the file or on a read error.
std::size_t readUpTo(int descriptor, char* data, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        const ssize_t count = ::read(descriptor, data + total, size - total);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        total += static_cast<std::size_t>(count);
    }
    return total;
}

} // namespace

void parsePhonebookFile(Workspace& workspace, int kind, std::span<const char> file, int unitOrderFlag) {
    const bool hasHeader =
        workspace.fileHeaderLine().takeFrom(file.first(std::min(file.size(), FileHeaderLine::kBytes)));
    if (hasHeader) file = file.subspan(std::min(file.size(), FileHeaderLine::kBytes));
    parseBody(workspace, kind, file, unitOrderFlag);
}

int writePhonebookFile(Workspace& workspace, platform::Ui& ui, int kind) {
    const platform::WaitCursor waiting(ui);
    const PhonebookFileSettings& settings = workspace.fileSettings();
    const std::string content =
        formatPhonebookFile(workspace, kind, workspace.fileHeaderLine().formatNow(),
                            kind == kCommonPhonebookFile ? settings.unitOrderFlag : 0);
    return platform::replaceFile(phonebookPath(workspace), content) ? kFileDone : kFileNotOpenable;
}

int readPhonebookFile(Workspace& workspace, platform::Ui& ui, int kind) {
    const platform::WaitCursor waiting(ui);
    const int descriptor = ::open(phonebookPath(workspace).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return kFileNotOpenable;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return kFileNotOpenable;
    }
    FileHeaderLine::Line header{};
    const std::size_t headerBytes = readUpTo(descriptor, header.data(), header.size());
    if (!workspace.fileHeaderLine().takeFrom(std::span<const char>(header.data(), headerBytes)) &&
        ::lseek(descriptor, 0, SEEK_SET) != 0) {
        ::close(descriptor);
        return kFileNotOpenable;
    }
    // The whole file goes into the staging area and is parsed there.
    LineTable& table = workspace.lineTable();
    table.clear();
    const std::span<char, LineTable::kTotalBytes> area = table.bytes();
    const std::size_t bodyBytes = readUpTo(descriptor, area.data(), area.size());
    ::close(descriptor);
    parseBody(workspace, kind, std::span<const char>(area.data(), bodyBytes),
              workspace.fileSettings().unitOrderFlag);
    return kFileDone;
}

} // namespace rk::phonebook
