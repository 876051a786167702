#include "image/digit_codec.h"

#include <algorithm>

namespace rk::image {

std::size_t ConsoleText::length() const {
    return std::min<std::size_t>(record_[console::kTextLength], console::kTextCapacity);
}

void ConsoleText::setLength(std::size_t length) {
    record_[console::kTextLength] = static_cast<std::uint8_t>(std::min(length, console::kTextCapacity));
}

char ConsoleText::at(std::size_t position) const {
    return textAt(record_, position);
}

void ConsoleText::set(std::size_t position, char character) {
    if (position >= console::kTextCapacity) return;
    record_[console::kText + position] = static_cast<std::uint8_t>(character);
}

bool ConsoleText::append(char character) {
    const std::size_t end = length();
    if (end >= console::kTextCapacity) return false;
    set(end, character);
    setLength(end + 1);
    return true;
}

bool ConsoleText::append(std::string_view characters) {
    if (length() + characters.size() > console::kTextCapacity) return false;
    for (char character : characters) append(character);
    return true;
}

void ConsoleText::blank() {
    for (std::size_t position = 0; position < console::kTextCapacity; ++position) set(position, ' ');
}

void ConsoleText::cutTo(std::size_t length) {
    const std::size_t end = std::min(length, console::kTextCapacity);
    for (std::size_t position = end; position < console::kTextCapacity; ++position) set(position, ' ');
    setLength(end);
}

std::string_view ConsoleText::view() const {
    return textOf(record_);
}

std::string_view textOf(const ConsoleRecord& record) {
    const std::size_t length = std::min<std::size_t>(record[console::kTextLength], console::kTextCapacity);
    return {reinterpret_cast<const char*>(record.data() + console::kText), length};
}

char textAt(const ConsoleRecord& record, std::size_t position) {
    return position < console::kTextCapacity ? static_cast<char>(record[console::kText + position]) : ' ';
}

std::size_t dataStart(const ConsoleRecord& record) {
    return record[console::kText] == '9' ? 5 : 4;
}

namespace codec {
namespace {

// The character at a text position; a blank outside the text, which no reader takes as a digit.
char characterAt(const ConsoleRecord& record, std::size_t position) {
    return position < console::kTextCapacity ? static_cast<char>(record[console::kText + position]) : ' ';
}

// Sums the digit values of N characters. Accumulated in 64 bits and saturated, so that a long
// run of digits is reported as out of range instead of wrapping into a small, valid-looking value.
template <typename DigitValue>
std::int64_t accumulate(const ConsoleRecord& record, std::size_t position, std::size_t count,
                        DigitValue value) {
    constexpr std::int64_t kCeiling = std::int64_t{1} << 40;
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum = sum * 10 + value(characterAt(record, position + i));
        if (sum > kCeiling) sum = kCeiling;
        if (sum < -kCeiling) sum = -kCeiling;
    }
    return sum;
}

} // namespace

std::uint8_t readByte(const ConsoleRecord& record, std::size_t position, std::size_t count,
                      std::uint8_t minimum, std::uint8_t maximum) {
    const std::int64_t value = accumulate(record, position, count,
                                          [](char c) { return static_cast<int>(c) - static_cast<int>('0'); });
    if (value < minimum || value > maximum) return 255;
    return static_cast<std::uint8_t>(value);
}

std::uint16_t readWord(const ConsoleRecord& record, std::size_t position, std::size_t count,
                       std::uint16_t minimum, std::uint16_t maximum) {
    const std::int64_t value = accumulate(
        record, position, count, [](char c) { return static_cast<int>(static_cast<unsigned char>(c) & 15); });
    if (value < minimum || value > maximum) return 65535;
    return static_cast<std::uint16_t>(value);
}

std::int32_t readLong(const ConsoleRecord& record, std::size_t position, std::size_t count,
                      std::int32_t minimum, std::int32_t maximum) {
    const std::int64_t value = accumulate(
        record, position, count, [](char c) { return static_cast<int>(static_cast<unsigned char>(c) & 15); });
    if (value < minimum || value > maximum) return -1;
    return static_cast<std::int32_t>(value);
}

bool writeDigits(ConsoleRecord& record, std::uint32_t value, std::size_t count, unsigned base) {
    ConsoleText text(record);
    if (base < 2 || base > 36 || text.length() + count > console::kTextCapacity) return false;
    char digits[console::kTextCapacity];
    for (std::size_t i = count; i > 0; --i) {
        const unsigned digit = value % base;
        digits[i - 1] = static_cast<char>(digit < 10 ? '0' + digit : 'A' + (digit - 10));
        value /= base;
    }
    return text.append(std::string_view(digits, count));
}

int digitKeyValue(char character) {
    if (character == '0') return 10;
    if (character >= '1' && character <= '9') return character - '0';
    return 0;
}

std::size_t countLeadingDigits(const ConsoleRecord& record, std::size_t count) {
    std::size_t digits = 0;
    while (digits < count && digits < console::kTextCapacity) {
        const char c = characterAt(record, digits);
        if (c < '0' || c > '9') break;
        ++digits;
    }
    return digits;
}

std::uint8_t fieldLength(const ConsoleRecord& record, std::size_t position) {
    std::size_t length = 0;
    bool allDigits = true;
    while (length < 16 && position + length < console::kTextCapacity) {
        const char c = characterAt(record, position + length);
        if (c == ' ') break;
        if (c < '0' || c > '9') allDigits = false;
        ++length;
    }
    if (!allDigits) return length == 1 ? 1 : 255;
    return static_cast<std::uint8_t>(length);
}

bool allZero(const ConsoleRecord& record, std::size_t position, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (characterAt(record, position + i) != '0') return false;
    return true;
}

bool allBlank(const ConsoleRecord& record, std::size_t position, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (characterAt(record, position + i) != ' ') return false;
    return true;
}

} // namespace codec
} // namespace rk::image
