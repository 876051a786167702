// The staging area of the PC-side file writers and parsers, and the first line shared by every
// PC-side phonebook and data-set file.
//
// LineTable: 10,000 fixed-column lines of 192 bytes (1,920,000 bytes). Writers lay their records
// out in it line by line (columns fixed per file format), then format the file from it; parsers
// read a whole file into the same area as raw bytes. The workspace holds one, used by one file
// operation at a time.
//
// FileHeaderLine: the 192-byte first line. Its six carried fields mean nothing to us; they are
// taken from the last file read whose first byte is "2" (zeroed at the start of every read) and
// written back unchanged into every file we write.
#pragma once

#include <array>
#include <cstddef>
#include <ctime>
#include <span>
#include <string_view>

namespace rk::phonebook {

class LineTable {
public:
    static constexpr std::size_t kLineBytes = 192;
    static constexpr std::size_t kLineCount = 10000;
    static constexpr std::size_t kTotalBytes = kLineBytes * kLineCount;

    using Line = std::array<char, kLineBytes>;

    // Sets every byte of every line to a blank.
    void clear();

    // The line at an index, or nullptr when the index is outside the table.
    Line* line(std::size_t index);
    const Line* line(std::size_t index) const;

    // Copies text into a line from a column on; whatever would fall past the end of the line is
    // dropped. False when the index or the column is outside the table.
    bool put(std::size_t index, std::size_t column, std::string_view text);

    // Puts one byte at a column. False when outside the table.
    bool putByte(std::size_t index, std::size_t column, char byte);

    // The whole area as raw bytes, line after line (a parser reads a file into it).
    std::span<char, kTotalBytes> bytes();
    std::span<const char, kTotalBytes> bytes() const;

private:
    std::array<Line, kLineCount> lines_{};
};
static_assert(sizeof(LineTable) == LineTable::kTotalBytes, "the lines sit back to back");

class FileHeaderLine {
public:
    static constexpr std::size_t kBytes = 192;
    using Line = std::array<char, kBytes>;

    // The carried fields: where each sits in the line and how many bytes of it are kept.
    struct Field {
        std::size_t column;
        std::size_t width;
    };
    static constexpr std::array<Field, 6> kFields = {
        Field{13, 24}, Field{38, 24}, Field{63, 16}, Field{79, 6}, Field{88, 24}, Field{113, 72},
    };

    // Zeroes the six carried fields (done at the start of every read).
    void clear();

    // Zeroes the carried fields, then, when the data starts with a header line (its first byte
    // is "2"), takes them from it. Returns whether it did; a shorter line is taken as far as it
    // goes.
    bool takeFrom(std::span<const char> fileStart);

    // The header line for a local time: "%04d%02d%02d%02d%02d", then the carried fields in the
    // layout of the main unit's files, each written up to its first zero byte and padded with
    // blanks, ending with four blanks and CR LF.
    Line format(const std::tm& localTime) const;

    // The header line for the current local time.
    Line formatNow() const;

    // A carried field (0..5) as it is kept.
    std::span<const char> field(std::size_t index) const;

private:
    std::array<char, 24> field1_{};
    std::array<char, 24> field2_{};
    std::array<char, 16> field3_{};
    std::array<char, 6> field4_{};
    std::array<char, 24> field5_{};
    std::array<char, 72> field6_{};

    std::span<char> mutableField(std::size_t index);
};

} // namespace rk::phonebook
