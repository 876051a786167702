// The bytes of a keypad console record and the digit codec with which the command handlers read
// and write the console text. Every text position is an offset from the start of the text
// (record byte 32); nothing here reads or writes outside the 27 text characters.
#pragma once

#include "image/data_image.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rk::image {

// Byte positions in a console record.
namespace console {
constexpr std::size_t kKeyState = 28;      // 16 × major + minor
constexpr std::size_t kContinueFlag = 29;  // read by the "#" handling of rows of kind 6
constexpr std::size_t kDisplayOffset = 30; // first visible character
constexpr std::size_t kTextLength = 31;
constexpr std::size_t kText = 32;
constexpr std::size_t kTextCapacity = 27;
constexpr std::size_t kFlag59 = 59;
constexpr std::size_t kRestart = 60;     // where a new value cuts the text back to
constexpr std::size_t kComplete = 61;    // 255 once a value was shown or stored
constexpr std::size_t kFieldDigits = 62; // digits entered in the current field
constexpr std::size_t kFieldIndex = 63;  // field being entered, from 1
constexpr std::size_t kFlag64 = 64;
constexpr std::size_t kVisibleCharacters = 20;
constexpr std::uint8_t kCompleteMark = 255;
} // namespace console

// Bytes of the console control block.
namespace control {
constexpr std::size_t kCurrentConsole = 0; // 16-bit, consoles counted from 1
constexpr std::size_t kKeyCode = 2;        // 16-bit
constexpr std::size_t kStoreNotice = 4;    // shared flag: 1 becomes 2 after a store
constexpr std::size_t kEntryNotice = 5;    // shared flag cleared with the first by a short "#"
} // namespace control

// The text of a console record as the handlers see it.
class ConsoleText {
public:
    explicit ConsoleText(ConsoleRecord& record) : record_(record) {}

    std::size_t length() const;
    void setLength(std::size_t length);             // clamped to the capacity
    char at(std::size_t position) const;            // a blank outside the text
    void set(std::size_t position, char character); // ignored outside the text

    // Appends at the text length; false (and nothing written) when the text is full.
    bool append(char character);
    bool append(std::string_view characters); // all or nothing

    // Blanks positions 0..26.
    void blank();
    // Cuts the text back to a length, blanking what follows.
    void cutTo(std::size_t length);

    std::string_view view() const; // the first length() characters
    ConsoleRecord& record() { return record_; }
    const ConsoleRecord& record() const { return record_; }

private:
    ConsoleRecord& record_;
};

// Read-only views of a console text.
std::string_view textOf(const ConsoleRecord& record);           // the first length characters
char textAt(const ConsoleRecord& record, std::size_t position); // a blank outside the text

// Where a command's data begins in the text: 4, or 5 when the command has four digits.
std::size_t dataStart(const ConsoleRecord& record);

// The codec proper.
namespace codec {

// N characters at p taken as (character − "0") with powers of ten; 255 below min or above max.
std::uint8_t readByte(const ConsoleRecord& record, std::size_t position, std::size_t count,
                      std::uint8_t minimum, std::uint8_t maximum);

// The same with (character AND 15); 65535 outside [min, max].
std::uint16_t readWord(const ConsoleRecord& record, std::size_t position, std::size_t count,
                       std::uint16_t minimum, std::uint16_t maximum);

// The same in 32 bits; −1 outside [min, max].
std::int32_t readLong(const ConsoleRecord& record, std::size_t position, std::size_t count,
                      std::int32_t minimum, std::int32_t maximum);

// Appends a value as N digits in a base (most significant first, "A".. from 10 on). Only the low
// N digits are written. False when the text has no room for them.
bool writeDigits(ConsoleRecord& record, std::uint32_t value, std::size_t count, unsigned base);

// "1".."9" → 1..9, "0" → 10, anything else 0.
int digitKeyValue(char character);

// Characters from the start of the text that are digits, at most N.
std::size_t countLeadingDigits(const ConsoleRecord& record, std::size_t count);

// Characters from p up to the first blank (at most 16); 255 when one of them is not a digit,
// except that a single non-digit character gives 1.
std::uint8_t fieldLength(const ConsoleRecord& record, std::size_t position);

bool allZero(const ConsoleRecord& record, std::size_t position, std::size_t count);
bool allBlank(const ConsoleRecord& record, std::size_t position, std::size_t count);

} // namespace codec
} // namespace rk::image
