#include "phonebook/line_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace rk::phonebook {

void LineTable::clear() {
    // One pass over the whole area: it is cleared before every file written or read.
    std::memset(lines_.data(), ' ', sizeof(lines_));
}

LineTable::Line* LineTable::line(std::size_t index) {
    return index < kLineCount ? &lines_[index] : nullptr;
}

const LineTable::Line* LineTable::line(std::size_t index) const {
    return index < kLineCount ? &lines_[index] : nullptr;
}

bool LineTable::put(std::size_t index, std::size_t column, std::string_view text) {
    Line* target = line(index);
    if (target == nullptr || column >= kLineBytes) return false;
    const std::size_t count = std::min(text.size(), kLineBytes - column);
    std::copy_n(text.begin(), count, target->begin() + static_cast<std::ptrdiff_t>(column));
    return true;
}

bool LineTable::putByte(std::size_t index, std::size_t column, char byte) {
    Line* target = line(index);
    if (target == nullptr || column >= kLineBytes) return false;
    (*target)[column] = byte;
    return true;
}

std::span<char, LineTable::kTotalBytes> LineTable::bytes() {
    return std::span<char, kTotalBytes>(lines_.front().data(), kTotalBytes);
}

std::span<const char, LineTable::kTotalBytes> LineTable::bytes() const {
    return std::span<const char, kTotalBytes>(lines_.front().data(), kTotalBytes);
}

std::span<char> FileHeaderLine::mutableField(std::size_t index) {
    switch (index) {
    case 0:
        return field1_;
    case 1:
        return field2_;
    case 2:
        return field3_;
    case 3:
        return field4_;
    case 4:
        return field5_;
    case 5:
        return field6_;
    default:
        return {};
    }
}

std::span<const char> FileHeaderLine::field(std::size_t index) const {
    return const_cast<FileHeaderLine*>(this)->mutableField(index);
}

void FileHeaderLine::clear() {
    for (std::size_t i = 0; i < kFields.size(); ++i) std::ranges::fill(mutableField(i), 0);
}

bool FileHeaderLine::takeFrom(std::span<const char> fileStart) {
    clear();
    if (fileStart.empty() || fileStart.front() != '2') return false;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const Field where = kFields[i];
        if (where.column >= fileStart.size()) break;
        const std::size_t count = std::min(where.width, fileStart.size() - where.column);
        std::copy_n(fileStart.begin() + static_cast<std::ptrdiff_t>(where.column), count,
                    mutableField(i).begin());
    }
    return true;
}

namespace {

// Writes a number as exactly `width` decimal digits (the low ones when it has more).
void putDigits(FileHeaderLine::Line& line, std::size_t column, std::size_t width, int value) {
    unsigned magnitude = value < 0 ? 0u : static_cast<unsigned>(value);
    for (std::size_t i = width; i > 0; --i) {
        line[column + i - 1] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
}

} // namespace

FileHeaderLine::Line FileHeaderLine::format(const std::tm& localTime) const {
    Line line;
    line.fill(' ');
    putDigits(line, 0, 4, localTime.tm_year + 1900);
    putDigits(line, 4, 2, localTime.tm_mon + 1);
    putDigits(line, 6, 2, localTime.tm_mday);
    putDigits(line, 8, 2, localTime.tm_hour);
    putDigits(line, 10, 2, localTime.tm_min);
    for (const std::size_t comma : {12u, 37u, 62u, 87u, 112u, 185u}) line[comma] = ',';
    // As "%-24.24s" would: the field up to its first zero byte, blank-padded to its width.
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const std::span<const char> value = field(i);
        const std::size_t length = strnlen(value.data(), value.size());
        std::copy_n(value.begin(), length, line.begin() + static_cast<std::ptrdiff_t>(kFields[i].column));
    }
    line[190] = '\r';
    line[191] = '\n';
    return line;
}

FileHeaderLine::Line FileHeaderLine::formatNow() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return format(local);
}

} // namespace rk::phonebook
