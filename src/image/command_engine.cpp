#include "image/command_engine.h"

#include "image/command_handlers.h"
#include "image/digit_codec.h"

#include <algorithm>
#include <array>

namespace rk::image {
namespace {

struct Key {
    DataImage& image;
    ConsoleRecord& console;
    std::uint16_t code;
};

using KeyHandler = void (*)(Key& key);

std::uint8_t& stateOf(Key& key) {
    return key.console[console::kKeyState];
}
std::uint8_t& byteOf(Key& key, std::size_t index) {
    return key.console[index];
}

std::uint16_t controlWord(const DataImage& image, std::size_t at) {
    return static_cast<std::uint16_t>(image.consoleControl[at] | image.consoleControl[at + 1] << 8);
}

void setControlWord(DataImage& image, std::size_t at, std::uint16_t value) {
    image.consoleControl[at] = static_cast<std::uint8_t>(value & 0xFF);
    image.consoleControl[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

ConsoleRecord* consoleRecord(DataImage& image, int number) {
    if (number < 1 || number > static_cast<int>(kConsoleCount)) return nullptr;
    return &image.consoles[static_cast<std::size_t>(number - 1)];
}

// ---- keys of every state ------------------------------------------------------------------

void ignore(Key&) {}

// "*": a new command, whatever was going on.
void startCommand(Key& key) {
    ConsoleText text(key.console);
    text.blank();
    for (std::size_t index : {console::kContinueFlag, console::kDisplayOffset, console::kTextLength})
        byteOf(key, index) = 0;
    for (std::size_t index = console::kFlag59; index <= console::kFlag64; ++index) byteOf(key, index) = 0;
    text.set(3, '=');
    stateOf(key) = keystate::kCommandNumber;
}

void showErrorMark(Key& key, int result) {
    ConsoleText text(key.console);
    text.blank();
    text.setLength(0);
    text.append(result == 1 ? "--P" : "--c");
    stateOf(key) = keystate::kIdle;
}

// ---- the command number (states 16 and 17) ------------------------------------------------

std::uint8_t stateAfterNumber(const CommandRow& row) {
    const int addressCount = addressFieldCount(row);
    const int dataCount = dataFieldCount(row);
    switch (row[rowbyte::kKind]) {
    case 1:
        return 112;
    case 3:
    case 4:
        return 80;
    case 5:
        return addressCount == 0 ? 96 : keystate::kAddress;
    case 8:
        return keystate::kDataFull;
    case 0:
    case 2:
    case 6:
    case 7:
        if (addressCount > 0) return keystate::kAddress;
        if (dataCount == 0) return keystate::kNoData;
        return row[rowbyte::kKind] == 2 ? 64 : keystate::kData;
    default:
        return keystate::kIdle;
    }
}

void finishCommandNumber(Key& key) {
    ConsoleText text(key.console);
    text.setLength(text.length() + 1); // over the "="
    byteOf(key, console::kFieldIndex) = 1;
    byteOf(key, console::kFieldDigits) = 0;
    const std::uint8_t next = stateAfterNumber(commandRowOf(key.console));
    stateOf(key) = next;
    if (next == keystate::kData || next == 64 || next == 80 || next == 96)
        byteOf(key, console::kRestart) = static_cast<std::uint8_t>(text.length());
}

void commandDigit(Key& key) {
    ConsoleText text(key.console);
    const char digit = static_cast<char>(key.code);
    if (stateOf(key) == keystate::kCommandNumber) {
        if (text.length() >= 3 || !text.append(digit)) return;
        if (text.length() == 1 && digit == '9') {
            // Four-digit commands: the "=" moves one place on.
            text.set(3, ' ');
            text.set(4, '=');
            stateOf(key) = keystate::kFourDigitNumber;
            return;
        }
        if (text.length() == 3) finishCommandNumber(key);
        return;
    }
    if (text.length() >= 4 || !text.append(digit)) return;
    if (text.length() == 4) finishCommandNumber(key);
}

void commandBackspace(Key& key) {
    ConsoleText text(key.console);
    const std::size_t length = text.length();
    if (length == 0) return;
    // Only the last digit goes; the "=" placed after the number stays where it is.
    text.set(length - 1, ' ');
    text.setLength(length - 1);
    if (stateOf(key) == keystate::kFourDigitNumber && length == 1) {
        text.set(4, ' ');
        text.set(3, '=');
        stateOf(key) = keystate::kCommandNumber;
    }
}

// ---- address and data fields --------------------------------------------------------------

bool isEntryState(std::uint8_t state) {
    return state == 64 || state == 80 || state == 96 || state == 112;
}

void closeAddressField(Key& key, const CommandRow& row) {
    ConsoleText text(key.console);
    const std::uint8_t field = byteOf(key, console::kFieldIndex);
    const std::uint8_t count = byteOf(key, console::kFieldDigits);
    if (field == row[rowbyte::kReturnField])
        byteOf(key, console::kRestart) =
            static_cast<std::uint8_t>(text.length() - std::min<std::size_t>(count, text.length()));
    byteOf(key, console::kFieldDigits) = 0;
    if (field == addressFieldCount(row)) {
        text.append('-');
        std::uint8_t next = keystate::kData;
        if (dataFieldCount(row) == 0) {
            next = keystate::kNoData;
        } else if (row[rowbyte::kKind] == 2) {
            next = 64;
        } else if (row[rowbyte::kKind] == kKindSelectValue) {
            byteOf(key, console::kRestart) = static_cast<std::uint8_t>(text.length());
            next = 96;
        }
        stateOf(key) = next;
    } else {
        text.append(',');
    }
    byteOf(key, console::kFieldIndex) = static_cast<std::uint8_t>(field + 1);
}

void closeDataField(Key& key, const CommandRow& row) {
    const int field = byteOf(key, console::kFieldIndex);
    if (field >= addressFieldCount(row) + dataFieldCount(row)) {
        // The last field is full: only "#" and backspace are taken from now on.
        const std::uint8_t state = stateOf(key);
        stateOf(key) = isEntryState(state) ? static_cast<std::uint8_t>(state + 1) : keystate::kDataFull;
        return;
    }
    ConsoleText(key.console).append(',');
    byteOf(key, console::kFieldIndex) = static_cast<std::uint8_t>(field + 1);
    byteOf(key, console::kFieldDigits) = 0;
}

// A digit (or "A"–"F" where taken) of an address or data field.
void fieldCharacter(Key& key) {
    const CommandRow& row = commandRowOf(key.console);
    ConsoleText text(key.console);
    if (byteOf(key, console::kComplete) == console::kCompleteMark) {
        // A new value after a complete command: back to where the value (or the address field
        // to go back to) began. Never before the data start, which would cut off the command.
        const std::size_t restart =
            std::max<std::size_t>(byteOf(key, console::kRestart), dataStart(key.console));
        text.cutTo(restart);
        byteOf(key, console::kComplete) = 0;
        byteOf(key, console::kFieldDigits) = 0;
    }
    const int field = byteOf(key, console::kFieldIndex);
    if (field < 1 || field > addressFieldCount(row) + dataFieldCount(row)) return;
    if (!text.append(static_cast<char>(key.code))) return;
    const int count = ++byteOf(key, console::kFieldDigits);
    if (count < fieldMaximum(row, field)) return;
    if (field <= addressFieldCount(row))
        closeAddressField(key, row);
    else
        closeDataField(key, row);
}

void dataHash(Key& key);

// "#" while an address is entered: closes the field when it has enough digits.
void addressHash(Key& key) {
    const CommandRow& row = commandRowOf(key.console);
    const int field = byteOf(key, console::kFieldIndex);
    if (field > addressFieldCount(row)) {
        dataHash(key);
        return;
    }
    if (field >= 1 && byteOf(key, console::kFieldDigits) >= fieldMinimum(row, field)) {
        closeAddressField(key, row);
        return;
    }
    key.image.consoleControl[control::kStoreNotice] = 0;
    key.image.consoleControl[control::kEntryNotice] = 0;
}

// "#" in the data states: show the value when nothing was typed, store it otherwise.
void dataHash(Key& key) {
    const CommandRow& row = commandRowOf(key.console);
    if (byteOf(key, console::kComplete) == console::kCompleteMark) return;
    ConsoleText text(key.console);
    const int field = byteOf(key, console::kFieldIndex);
    const int count = byteOf(key, console::kFieldDigits);
    if (count < fieldMinimum(row, field)) {
        if (count > 0 || field != addressFieldCount(row) + 1) return;
        const std::size_t before = text.length();
        const int result = showCommand(key.image, key.console);
        if (result != 0) {
            showErrorMark(key, result);
            return;
        }
        const std::size_t after = text.length();
        if (after < console::kTextCapacity) {
            text.set(after, 'c');
            if (after - std::min(before, after) <= 19) text.setLength(after + 1);
        }
        if (row[rowbyte::kKind] == kKindPaged &&
            (byteOf(key, console::kContinueFlag) != 0 || byteOf(key, console::kFlag64) != 0)) {
            stateOf(key) = keystate::kPaged;
        } else if (row[rowbyte::kReturnField] == 0) {
            byteOf(key, console::kComplete) = console::kCompleteMark;
            stateOf(key) = keystate::kData;
        } else {
            byteOf(key, console::kFieldIndex) = row[rowbyte::kReturnField];
            byteOf(key, console::kComplete) = console::kCompleteMark;
            stateOf(key) = keystate::kAddress;
        }
        return;
    }
    const int result = storeCommand(key.image, key.console);
    if (result != 0) {
        showErrorMark(key, result);
        return;
    }
    text.append('P');
    if (key.image.consoleControl[control::kStoreNotice] == 1)
        key.image.consoleControl[control::kStoreNotice] = 2;
    if (row[rowbyte::kReturnField] != 0) {
        byteOf(key, console::kFieldIndex) = row[rowbyte::kReturnField];
        byteOf(key, console::kComplete) = console::kCompleteMark;
        byteOf(key, console::kFieldDigits) = 0;
        stateOf(key) = keystate::kAddress;
    } else {
        stateOf(key) = keystate::kIdle;
    }
}

void fieldBackspace(Key& key) {
    if (byteOf(key, console::kComplete) == console::kCompleteMark) return;
    const std::uint8_t count = byteOf(key, console::kFieldDigits);
    ConsoleText text(key.console);
    if (count == 0 || text.length() == 0) return; // never across a separator
    text.cutTo(text.length() - 1);
    byteOf(key, console::kFieldDigits) = static_cast<std::uint8_t>(count - 1);
    const std::uint8_t state = stateOf(key);
    if (state == keystate::kDataFull)
        stateOf(key) = keystate::kData;
    else if (isEntryState(static_cast<std::uint8_t>(state - 1)))
        stateOf(key) = static_cast<std::uint8_t>(state - 1);
}

// "#" of a paged value: the last page was seen, the command is complete.
void pagedHash(Key& key) {
    byteOf(key, console::kContinueFlag) = 0;
    byteOf(key, console::kFlag64) = 0;
    byteOf(key, console::kComplete) = console::kCompleteMark;
    stateOf(key) = keystate::kData;
}

// "#" of a command without data fields: the command acts on the addressed entry.
void actionHash(Key& key) {
    const int result = storeCommand(key.image, key.console);
    if (result != 0) {
        showErrorMark(key, result);
        return;
    }
    ConsoleText(key.console).append('P');
    stateOf(key) = keystate::kIdle;
}

// ---- the state table ----------------------------------------------------------------------

constexpr std::array<std::uint8_t, kKeyStateRows> kStates = {
    0, 16, 17, 32, 48, 49, 64, 65, 66, 80, 81, 82, 83, 84, 96, 97, 98, 112, 113, 114, 115, 128, 144};

using Row = std::array<KeyHandler, kKeyClasses>;
// clang-format off
//                                  digit           *             #            A–F            k1      k2      k3      BS              other
constexpr Row kIdleRow           = {ignore,         startCommand, ignore,      ignore,        ignore, ignore, ignore, ignore,         ignore};
constexpr Row kNumberRow         = {commandDigit,   startCommand, ignore,      ignore,        ignore, ignore, ignore, commandBackspace, ignore};
constexpr Row kAddressRow        = {fieldCharacter, startCommand, addressHash, ignore,        ignore, ignore, ignore, fieldBackspace, ignore};
constexpr Row kDataRow           = {fieldCharacter, startCommand, dataHash,    fieldCharacter, ignore, ignore, ignore, fieldBackspace, ignore};
constexpr Row kFullRow           = {ignore,         startCommand, dataHash,    ignore,        ignore, ignore, ignore, fieldBackspace, ignore};
constexpr Row kPagedRow          = {ignore,         startCommand, pagedHash,   ignore,        ignore, ignore, ignore, ignore,         ignore};
constexpr Row kNoDataRow         = {ignore,         startCommand, actionHash,  ignore,        ignore, ignore, ignore, ignore,         ignore};

// The entry forms of the special row kinds are those of the ordinary data entry: a state to key
// the value in, a state once its last field is full; their further minor states take only "*".
constexpr std::array<Row, kKeyStateRows> kStateTable = {
    kIdleRow,                               // 0
    kNumberRow, kNumberRow,                 // 16, 17
    kAddressRow,                            // 32
    kDataRow, kFullRow,                     // 48, 49
    kDataRow, kFullRow, kIdleRow,           // 64, 65, 66
    kDataRow, kFullRow, kIdleRow, kIdleRow, kIdleRow, // 80..84
    kDataRow, kFullRow, kIdleRow,           // 96, 97, 98
    kDataRow, kFullRow, kIdleRow, kIdleRow, // 112..115
    kPagedRow,                              // 128
    kNoDataRow,                             // 144
};
// clang-format on

void updateDisplayOffset(ConsoleRecord& console) {
    const std::size_t length = ConsoleText(console).length();
    console[console::kDisplayOffset] = static_cast<std::uint8_t>(
        length > console::kVisibleCharacters ? length - console::kVisibleCharacters : 0);
}

int dispatch(DataImage& image, ConsoleRecord& console, bool store) {
    const CommandRow& row = commandRowOf(console);
    HandlerContext context{image, console, row, dataStart(console)};
    return store ? runStore(context) : runShow(context);
}

} // namespace

int keyClass(std::uint16_t keyCode) {
    if (keyCode >= '0' && keyCode <= '9') return 0;
    if (keyCode == '*') return 1;
    if (keyCode == '#') return 2;
    if (keyCode >= 'A' && keyCode <= 'F') return 3;
    if (keyCode == kKeySpecial1) return 4;
    if (keyCode == kKeySpecial2) return 5;
    if (keyCode == kKeySpecial3) return 6;
    if (keyCode == kKeyBackspace) return 7;
    return 8;
}

int keyStateRow(std::uint8_t state) {
    const auto found = std::find(kStates.begin(), kStates.end(), state);
    return found == kStates.end() ? -1 : static_cast<int>(found - kStates.begin());
}

std::size_t ignoredKeyEntries() {
    std::size_t count = 0;
    for (const Row& row : kStateTable)
        for (KeyHandler handler : row)
            if (handler == ignore) ++count;
    return count;
}

const CommandRow& commandRowOf(const ConsoleRecord& console) {
    const auto* text = reinterpret_cast<const char*>(console.data() + console::kText);
    const std::size_t digits = text[0] == '9' ? 4 : 3;
    return commandRows()[rowIndexOf(std::string_view(text, digits))];
}

int storeCommand(DataImage& image, ConsoleRecord& console) {
    return dispatch(image, console, true);
}
int showCommand(DataImage& image, ConsoleRecord& console) {
    return dispatch(image, console, false);
}

void pressKey(DataImage& image) {
    ConsoleRecord* console = consoleRecord(image, controlWord(image, control::kCurrentConsole));
    if (console == nullptr) return;
    Key key{image, *console, controlWord(image, control::kKeyCode)};
    const int row = keyStateRow((*console)[console::kKeyState]);
    // A state byte that is no key state (it never is, unless the image was damaged) acts as idle.
    kStateTable[static_cast<std::size_t>(row < 0 ? 0 : row)][static_cast<std::size_t>(keyClass(key.code))](
        key);
    updateDisplayOffset(*console);
}

void pressKey(DataImage& image, int consoleNumber, std::uint16_t keyCode) {
    if (consoleRecord(image, consoleNumber) == nullptr) return;
    setControlWord(image, control::kCurrentConsole, static_cast<std::uint16_t>(consoleNumber));
    setControlWord(image, control::kKeyCode, keyCode);
    pressKey(image);
}

std::optional<std::string> executeCommandString(DataImage& image, int consoleNumber,
                                                std::string_view command) {
    ConsoleRecord* console = consoleRecord(image, consoleNumber);
    if (console == nullptr) return std::nullopt;
    const std::uint16_t previous = controlWord(image, control::kCurrentConsole);
    ConsoleText text(*console);
    // The string without its "*" goes into the text first, as far as the text reaches.
    for (std::size_t i = 1; i < command.size() && i - 1 < console::kTextCapacity; ++i)
        text.set(i - 1, command[i]);
    setControlWord(image, control::kCurrentConsole, static_cast<std::uint16_t>(consoleNumber));
    for (char character : command) {
        setControlWord(image, control::kKeyCode, static_cast<unsigned char>(character));
        pressKey(image);
    }
    setControlWord(image, control::kCurrentConsole, previous);
    if (text.at(0) == '-' && text.at(1) == '-' && text.at(2) == 'P') return std::nullopt;
    return std::string(text.view());
}

std::string consoleText(const ConsoleRecord& console) {
    return std::string(textOf(console));
}

std::string visibleText(const ConsoleRecord& console) {
    const std::string whole = consoleText(console);
    const std::size_t offset = std::min<std::size_t>(console[console::kDisplayOffset], whole.size());
    return whole.substr(offset, console::kVisibleCharacters);
}

} // namespace rk::image
