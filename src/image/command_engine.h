// The keypad console of the data-set commands. A console record collects a command key by key
// as a technician would type it on a system telephone: "*", the command number, the address
// fields, "#" to show the current value, the new value and "#" to store it. The key handlers are
// chosen by a state table (23 key states × 9 key classes); values move between the text and the
// image through the handler pairs of the command table.
#pragma once

#include "image/command_table.h"
#include "image/data_image.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rk::image {

// Key codes besides the characters.
constexpr std::uint16_t kKeyBackspace = 8;
constexpr std::uint16_t kKeySpecial1 = 45116;
constexpr std::uint16_t kKeySpecial2 = 45114;
constexpr std::uint16_t kKeySpecial3 = 45142;

constexpr std::size_t kKeyStateRows = 23;
constexpr std::size_t kKeyClasses = 9;

// Key states (16 × major + minor).
namespace keystate {
constexpr std::uint8_t kIdle = 0;
constexpr std::uint8_t kCommandNumber = 16;
constexpr std::uint8_t kFourDigitNumber = 17;
constexpr std::uint8_t kAddress = 32;
constexpr std::uint8_t kData = 48;
constexpr std::uint8_t kDataFull = 49;
constexpr std::uint8_t kPaged = 128;
constexpr std::uint8_t kNoData = 144;
} // namespace keystate

// 0 digits, 1 "*", 2 "#", 3 "A"–"F", 4–6 the three special keys, 7 backspace, 8 anything else.
int keyClass(std::uint16_t keyCode);

// The state table row of a key state; -1 for a value that is not a key state.
int keyStateRow(std::uint8_t state);

// How many entries of the state table ignore their key.
std::size_t ignoredKeyEntries();

// Runs the handler for the current key of the current console (both in the control block) and
// recomputes the display offset. Does nothing when the current console number is not 1..216.
void pressKey(DataImage& image);

// Makes a console and a key current and presses it; the current console stays selected.
void pressKey(DataImage& image, int consoleNumber, std::uint16_t keyCode);

// Feeds every character of a command string as a key into a console (numbered from 1), then
// makes the previously current console current again. Returns the console's text, or nothing
// when it holds the error mark "--P" (or the console number is not 1..216).
std::optional<std::string> executeCommandString(DataImage& image, int consoleNumber,
                                                std::string_view command);

// The whole text of a console and the part its 20-character display shows.
std::string consoleText(const ConsoleRecord& console);
std::string visibleText(const ConsoleRecord& console);

// The row of the command whose number leads the console text.
const CommandRow& commandRowOf(const ConsoleRecord& console);

// Store and show through the row's handler pair (the "#" handling calls these).
int storeCommand(DataImage& image, ConsoleRecord& console);
int showCommand(DataImage& image, ConsoleRecord& console);

} // namespace rk::image
