// The file routines around the formats: where the file is, reading it into the LineTable area,
// writing it so that a failed save leaves the previous file as it was.
#include "phonebook/phonebook_file.h"

#include "phonebook/phonebook_file_layout.h"
#include "platform/file_writer.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// A spreadsheet's "CSV UTF-8" starts with the byte-order mark.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A byte of Shift-JIS takes up to three in UTF-8 (half-width kana): this much UTF-8 yields at
// least as much as the file routine reads of a Shift-JIS file.
constexpr std::size_t kUtf8ReadLimit = 3 * (FileHeaderLine::kBytes + LineTable::kTotalBytes);

bool startsWithUtf8Mark(std::span<const char> file) {
    return std::string_view(file.data(), file.size()).starts_with(kUtf8Mark);
}

// The Shift-JIS of a file that starts with the mark (which goes), and whether the file went on
// beyond what the load converts.
struct ConvertedFile {
    std::string text;
    bool restIgnored = false;
};

ConvertedFile fromUtf8File(std::span<const char> file, LoadObserver* observer) {
    const std::size_t size = file.size() - kUtf8Mark.size();
    const std::string_view utf8(file.data() + kUtf8Mark.size(), std::min(size, kUtf8ReadLimit));
    std::vector<text::BlankedCharacter> blanked;
    ConvertedFile converted{text::toCp932WithBlanks(utf8, observer ? &blanked : nullptr),
                            size > kUtf8ReadLimit};
    if (observer) observer->convertedFromUtf8(blanked);
    return converted;
}

// `restBeyond`: the file goes on after the bytes at hand.
void parseBody(Workspace& workspace, int kind, std::span<const char> body, int unitOrderFlag,
               std::size_t headerBytes, bool restBeyond, LoadObserver* observer) {
    restBeyond = restBeyond || body.size() > LineTable::kTotalBytes;
    body = body.first(std::min(body.size(), LineTable::kTotalBytes));
    if (observer) observer->bodyBegins(body, headerBytes);
    if (observer && restBeyond) observer->restIgnored(body.size());
    if (kind == kMyPhonebookFile)
        parseMyPhonebook(workspace, body, observer);
    else
        parseCommonPhonebook(workspace, body, unitOrderFlag, observer);
    if (observer) observer->bodyEnds();
}

// The header line's carried fields and the parse, over the bytes of a whole Shift-JIS file.
void parseShiftJisFile(Workspace& workspace, int kind, std::span<const char> file, int unitOrderFlag,
                       bool restBeyond, LoadObserver* observer) {
    const bool hasHeader =
        workspace.fileHeaderLine().takeFrom(file.first(std::min(file.size(), FileHeaderLine::kBytes)));
    const std::size_t headerBytes = hasHeader ? std::min(file.size(), FileHeaderLine::kBytes) : 0;
    if (observer && hasHeader) observer->headerLine(file.first(headerBytes));
    parseBody(workspace, kind, file.subspan(headerBytes), unitOrderFlag, headerBytes, restBeyond, observer);
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

// Whether anything follows what was read.
bool moreToRead(int descriptor) {
    char byte = 0;
    return readUpTo(descriptor, &byte, 1) == 1;
}

// The rest of a UTF-8 file whose first bytes were read already, up to the read limit.
std::string readUtf8File(int descriptor, std::span<const char> start, bool& restBeyond) {
    std::string file(start.data(), start.size());
    const std::size_t limit = kUtf8Mark.size() + kUtf8ReadLimit;
    std::size_t total = file.size();
    while (total < limit) {
        file.resize(std::min(limit, std::max<std::size_t>(total * 2, 65536)));
        total += readUpTo(descriptor, file.data() + total, file.size() - total);
        if (total < file.size()) break;
    }
    file.resize(total);
    restBeyond = total == limit && moreToRead(descriptor);
    return file;
}

// What a load reads of a file, from an open descriptor: the header line and the body up to the
// staging area's size (more for UTF-8, which shrinks when converted).
std::string readLoadedBytes(int descriptor) {
    FileHeaderLine::Line header{};
    const std::size_t headerBytes = readUpTo(descriptor, header.data(), header.size());
    const std::span<const char> start(header.data(), headerBytes);
    if (startsWithUtf8Mark(start)) {
        bool restBeyond = false;
        return readUtf8File(descriptor, start, restBeyond);
    }
    std::string file(start.data(), start.size());
    // Without a header line the body starts at the file's first byte.
    const std::size_t limit = (file.starts_with('2') ? headerBytes : 0) + LineTable::kTotalBytes;
    std::size_t total = file.size();
    while (total < limit) {
        file.resize(std::min(limit, std::max<std::size_t>(total * 2, 65536)));
        total += readUpTo(descriptor, file.data() + total, file.size() - total);
        if (total < file.size()) break;
    }
    file.resize(std::min(total, limit));
    return file;
}

} // namespace

void parsePhonebookFile(Workspace& workspace, int kind, std::span<const char> file, int unitOrderFlag,
                        LoadObserver* observer) {
    if (startsWithUtf8Mark(file)) {
        const ConvertedFile converted = fromUtf8File(file, observer);
        parseShiftJisFile(workspace, kind, converted.text, unitOrderFlag, converted.restIgnored, observer);
        return;
    }
    parseShiftJisFile(workspace, kind, file, unitOrderFlag, false, observer);
}

std::optional<std::string> readPhonebookFileBytes(const std::filesystem::path& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return std::nullopt;
    }
    std::string file = readLoadedBytes(descriptor);
    ::close(descriptor);
    return file;
}

int writePhonebookFile(Workspace& workspace, platform::Ui& ui, int kind, platform::WriteFailure* failure) {
    const platform::WaitCursor waiting(ui);
    const PhonebookFileSettings& settings = workspace.fileSettings();
    const std::string content =
        formatPhonebookFile(workspace, kind, workspace.fileHeaderLine().formatNow(),
                            kind == kCommonPhonebookFile ? settings.unitOrderFlag : 0);
    return platform::replaceFile(phonebookPath(workspace), content, failure) ? kFileDone : kFileNotOpenable;
}

int readPhonebookFile(Workspace& workspace, platform::Ui& ui, int kind, LoadObserver* observer) {
    const platform::WaitCursor waiting(ui);
    const int descriptor = ::open(phonebookPath(workspace).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return kFileNotOpenable;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return kFileNotOpenable;
    }
    const int unitOrderFlag = workspace.fileSettings().unitOrderFlag;
    FileHeaderLine::Line header{};
    const std::size_t headerBytes = readUpTo(descriptor, header.data(), header.size());
    const std::span<const char> start(header.data(), headerBytes);
    if (startsWithUtf8Mark(start)) {
        // Converted whole, then parsed as its Shift-JIS twin would be.
        bool restBeyond = false;
        const std::string file = readUtf8File(descriptor, start, restBeyond);
        ::close(descriptor);
        ConvertedFile converted = fromUtf8File(file, observer);
        converted.restIgnored = converted.restIgnored || restBeyond;
        parseShiftJisFile(workspace, kind, converted.text, unitOrderFlag, converted.restIgnored, observer);
        return kFileDone;
    }
    const bool hasHeader = workspace.fileHeaderLine().takeFrom(start);
    if (!hasHeader && ::lseek(descriptor, 0, SEEK_SET) != 0) {
        ::close(descriptor);
        return kFileNotOpenable;
    }
    if (observer && hasHeader) observer->headerLine(start);
    // The whole file goes into the staging area and is parsed there.
    LineTable& table = workspace.lineTable();
    table.clear();
    const std::span<char, LineTable::kTotalBytes> area = table.bytes();
    const std::size_t bodyBytes = readUpTo(descriptor, area.data(), area.size());
    const bool restBeyond = bodyBytes == area.size() && moreToRead(descriptor);
    ::close(descriptor);
    parseBody(workspace, kind, std::span<const char>(area.data(), bodyBytes), unitOrderFlag,
              hasHeader ? headerBytes : 0, restBeyond, observer);
    return kFileDone;
}

} // namespace rk::phonebook
