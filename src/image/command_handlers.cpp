#include "image/command_handlers.h"

#include "image/digit_codec.h"

#include <algorithm>
#include <optional>
#include <type_traits>

namespace rk::image {
namespace {

constexpr int kRefused = 1;  // the display shows "--P"
constexpr int kReadBack = 2; // the image did not keep what was written
constexpr int kNoRoom = 3;   // the value does not fit the display

// ---- where values live -------------------------------------------------------------------

template <typename Array> std::span<std::uint8_t> bytesOf(Array& array) {
    static_assert(std::is_trivially_copyable_v<Array>);
    return {reinterpret_cast<std::uint8_t*>(&array), sizeof array};
}

std::span<std::uint8_t> storageBytes(DataImage& image, Storage storage) {
    SystemData& data = image.system;
    switch (storage) {
    case Storage::MemoryMode:
        return {&image.memoryMode, 1};
    case Storage::SettingBytes:
        return data.singleBytes;
    case Storage::PortRecords:
        return bytesOf(data.portRecords);
    case Storage::GroupRecords:
        return bytesOf(data.groupRecords);
    case Storage::Table10:
        return data.table10;
    case Storage::Table12:
        return data.table12;
    case Storage::Table16:
        return data.table16;
    case Storage::Table96:
        return data.table96;
    case Storage::Table108:
        return data.table108;
    case Storage::SlotArea:
        return data.slotArea;
    case Storage::EntryTable:
        return data.entryTable;
    case Storage::SmallTables:
        return data.smallTables;
    }
    return {};
}

std::uint64_t powerOfTen(int exponent) {
    std::uint64_t value = 1;
    for (int i = 0; i < exponent && i < 19; ++i) value *= 10;
    return value;
}

// The bytes of an entry: the area's storage from the addressed place on, `width` bytes, or
// nothing when any part of it would leave the area.
std::optional<std::span<std::uint8_t>> locate(DataImage& image, const CommandRow& row,
                                              const AddressValues& address, std::size_t width) {
    const AreaDescriptor* area = areaForRow(row);
    if (area == nullptr || area->addressCount != addressFieldCount(row)) return std::nullopt;
    std::span<std::uint8_t> storage = storageBytes(image, area->storage);
    if (static_cast<std::uint64_t>(area->offset) + area->size > storage.size()) return std::nullopt;
    std::uint64_t place = row[rowbyte::kIndex];
    for (std::size_t i = 0; i < area->addressCount && i < address.size(); ++i) {
        const AddressDomain& domain = area->addresses[i];
        if (!domain.accepts(address[i]) || address[i] < domain.base) return std::nullopt;
        place += static_cast<std::uint64_t>(address[i] - domain.base) * domain.stride;
    }
    if (place + width > area->size) return std::nullopt;
    return storage.subspan(area->offset + static_cast<std::size_t>(place), width);
}

// ---- reading the console text ------------------------------------------------------------

struct Field {
    std::size_t position = 0;
    std::size_t length = 0;
};

struct ParsedText {
    std::array<Field, kMaxFields> fields{};
    std::size_t end = 0; // position after the address part (show) or the whole text (store)
};

// Splits the address fields from the data start: each ends at "," except the last, which ends at
// "-". With data, the data fields follow, separated by "," up to the text length.
std::optional<ParsedText> parseText(const HandlerContext& context, bool withData) {
    const ConsoleText text(context.console);
    const std::size_t length = text.length();
    const int addressCount = addressFieldCount(context.row);
    const int dataCount = dataFieldCount(context.row);
    if (addressCount + dataCount > static_cast<int>(kMaxFields)) return std::nullopt;
    ParsedText parsed;
    std::size_t position = context.dataStart;
    if (position > length) return std::nullopt;
    for (int i = 0; i < addressCount; ++i) {
        const std::size_t start = position;
        while (position < length && text.at(position) != ',' && text.at(position) != '-') ++position;
        if (position >= length) return std::nullopt;
        const char expected = i + 1 < addressCount ? ',' : '-';
        if (text.at(position) != expected) return std::nullopt;
        parsed.fields[static_cast<std::size_t>(i)] = {start, position - start};
        ++position;
    }
    if (!withData) {
        if (position != length) return std::nullopt;
        parsed.end = position;
        return parsed;
    }
    for (int k = 0; k < dataCount; ++k) {
        const std::size_t start = position;
        while (position < length && text.at(position) != ',' && text.at(position) != '-') ++position;
        parsed.fields[static_cast<std::size_t>(addressCount + k)] = {start, position - start};
        if (k + 1 < dataCount) {
            if (position >= length || text.at(position) != ',') return std::nullopt;
            ++position;
        } else if (position != length) {
            return std::nullopt;
        }
    }
    parsed.end = position;
    return parsed;
}

bool allOf(const ConsoleRecord& console, const Field& field, char low, char high) {
    for (std::size_t i = 0; i < field.length; ++i) {
        const char c = textAt(console, field.position + i);
        if (c < low || c > high) return false;
    }
    return true;
}

// A field keyed as all "F" at the field's full width: the value is cleared to "not set".
bool isNotSetMark(const HandlerContext& context, const Field& field, int fieldNumber) {
    return field.length > 0 && static_cast<int>(field.length) == fieldMaximum(context.row, fieldNumber) &&
           allOf(context.console, field, 'F', 'F');
}

// A field of decimal digits within the row's digit counts.
bool isDecimalField(const HandlerContext& context, const Field& field, int fieldNumber) {
    const int length = static_cast<int>(field.length);
    return length > 0 && length >= fieldMinimum(context.row, fieldNumber) &&
           length <= fieldMaximum(context.row, fieldNumber) && allOf(context.console, field, '0', '9');
}

std::optional<AddressValues> readAddress(const HandlerContext& context, const ParsedText& parsed) {
    AddressValues address{};
    const int count = addressFieldCount(context.row);
    if (count > static_cast<int>(address.size())) return std::nullopt;
    for (int i = 0; i < count; ++i) {
        const Field& field = parsed.fields[static_cast<std::size_t>(i)];
        if (!isDecimalField(context, field, i + 1)) return std::nullopt;
        const std::uint16_t value = codec::readWord(context.console, field.position, field.length, 0, 9999);
        if (value == 65535) return std::nullopt;
        address[static_cast<std::size_t>(i)] = value;
    }
    return address;
}

// The range of the values a field of the row accepts, limited by its digits and the value type.
ValueRange rangeFor(const HandlerContext& context, int fieldNumber, std::uint64_t typeMaximum) {
    const auto ranges = valueRanges();
    const std::uint8_t code = context.row[rowbyte::kMask];
    ValueRange range = code < ranges.size() ? ranges[code] : ValueRange{1, 0};
    const std::uint64_t digitMaximum = powerOfTen(fieldMaximum(context.row, fieldNumber)) - 1;
    const std::uint64_t maximum = std::min<std::uint64_t>({range.maximum, digitMaximum, typeMaximum});
    range.maximum = static_cast<std::uint32_t>(maximum);
    return range;
}

// Appends a value at a field's full width; a value the width cannot hold, or "not set", as "F"s.
int appendValue(HandlerContext& context, std::uint64_t value, std::uint64_t notSet, int fieldNumber) {
    const int width = std::min(fieldMaximum(context.row, fieldNumber), 10);
    ConsoleText text(context.console);
    if (value == notSet || value >= powerOfTen(width)) {
        return text.append(std::string(static_cast<std::size_t>(width), 'F')) ? 0 : kNoRoom;
    }
    return codec::writeDigits(context.console, static_cast<std::uint32_t>(value),
                              static_cast<std::size_t>(width), 10)
               ? 0
               : kNoRoom;
}

void markChangeBlock(HandlerContext& context, const AddressValues& address) {
    const AreaDescriptor* area = areaForRow(context.row);
    if (area == nullptr || !area->marksChangeBlocks || area->addressCount == 0) return;
    const std::size_t block = static_cast<std::size_t>(address[0] - area->addresses[0].base) / 50;
    if (block < context.image.changeFlags.size()) context.image.changeFlags[block] = 255;
}

// ---- generic pairs: one byte per data field, one 16-bit value, one 32-bit value ----------

int storeBytes(HandlerContext& context) {
    const auto parsed = parseText(context, true);
    if (!parsed) return kRefused;
    const auto address = readAddress(context, *parsed);
    if (!address) return kRefused;
    const int addressCount = addressFieldCount(context.row);
    const int dataCount = dataFieldCount(context.row);
    const auto target = locate(context.image, context.row, *address, static_cast<std::size_t>(dataCount));
    if (!target || dataCount == 0) return kRefused;

    // Every field is checked before anything is written, so that a refused value changes nothing.
    std::array<std::uint8_t, kMaxFields> values{};
    for (int k = 0; k < dataCount; ++k) {
        const int fieldNumber = addressCount + 1 + k;
        const Field& field = parsed->fields[static_cast<std::size_t>(fieldNumber - 1)];
        if (isNotSetMark(context, field, fieldNumber)) {
            values[static_cast<std::size_t>(k)] = kNotSet;
            continue;
        }
        if (!isDecimalField(context, field, fieldNumber)) return kRefused;
        const ValueRange range = rangeFor(context, fieldNumber, 254);
        if (range.minimum > range.maximum) return kRefused;
        const std::uint8_t value = codec::readByte(context.console, field.position, field.length,
                                                   static_cast<std::uint8_t>(range.minimum),
                                                   static_cast<std::uint8_t>(range.maximum));
        if (value == 255) return kRefused;
        values[static_cast<std::size_t>(k)] = value;
    }
    for (int k = 0; k < dataCount; ++k)
        (*target)[static_cast<std::size_t>(k)] = values[static_cast<std::size_t>(k)];
    markChangeBlock(context, *address);
    for (int k = 0; k < dataCount; ++k)
        if ((*target)[static_cast<std::size_t>(k)] != values[static_cast<std::size_t>(k)]) return kReadBack;
    return 0;
}

int showBytes(HandlerContext& context) {
    const auto parsed = parseText(context, false);
    if (!parsed) return kRefused;
    const auto address = readAddress(context, *parsed);
    if (!address) return kRefused;
    const int addressCount = addressFieldCount(context.row);
    const int dataCount = dataFieldCount(context.row);
    const auto source = locate(context.image, context.row, *address, static_cast<std::size_t>(dataCount));
    if (!source) return kRefused;
    ConsoleText text(context.console);
    for (int k = 0; k < dataCount; ++k) {
        if (k > 0 && !text.append(',')) return kNoRoom;
        const int result =
            appendValue(context, (*source)[static_cast<std::size_t>(k)], kNotSet, addressCount + 1 + k);
        if (result != 0) return result;
    }
    return 0;
}

// Reads the single data field of a 16- or 32-bit item; nullopt when refused.
std::optional<std::uint64_t> readWideValue(HandlerContext& context, const ParsedText& parsed,
                                           bool longValue) {
    const int fieldNumber = addressFieldCount(context.row) + 1;
    const Field& field = parsed.fields[static_cast<std::size_t>(fieldNumber - 1)];
    const std::uint64_t notSet = longValue ? 0xFFFFFFFFu : 0xFFFFu;
    if (isNotSetMark(context, field, fieldNumber)) return notSet;
    if (!isDecimalField(context, field, fieldNumber)) return std::nullopt;
    const ValueRange range = rangeFor(context, fieldNumber, longValue ? 0x7FFFFFFEu : 0xFFFEu);
    if (range.minimum > range.maximum) return std::nullopt;
    if (longValue) {
        const std::int32_t value = codec::readLong(context.console, field.position, field.length,
                                                   static_cast<std::int32_t>(range.minimum),
                                                   static_cast<std::int32_t>(range.maximum));
        if (value < 0) return std::nullopt;
        return static_cast<std::uint64_t>(value);
    }
    const std::uint16_t value =
        codec::readWord(context.console, field.position, field.length,
                        static_cast<std::uint16_t>(range.minimum), static_cast<std::uint16_t>(range.maximum));
    if (value == 65535) return std::nullopt;
    return value;
}

// Values wider than a byte are kept low byte first, whatever the host's byte order.
void putLittleEndian(std::span<std::uint8_t> target, std::uint64_t value) {
    for (std::uint8_t& byte : target) {
        byte = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

std::uint64_t getLittleEndian(std::span<const std::uint8_t> source) {
    std::uint64_t value = 0;
    for (std::size_t i = source.size(); i > 0; --i) value = value << 8 | source[i - 1];
    return value;
}

int storeWide(HandlerContext& context, bool longValue) {
    if (dataFieldCount(context.row) != 1) return kRefused;
    const auto parsed = parseText(context, true);
    if (!parsed) return kRefused;
    const auto address = readAddress(context, *parsed);
    if (!address) return kRefused;
    const std::size_t width = longValue ? 4 : 2;
    const auto target = locate(context.image, context.row, *address, width);
    if (!target) return kRefused;
    const auto value = readWideValue(context, *parsed, longValue);
    if (!value) return kRefused;
    putLittleEndian(*target, *value);
    markChangeBlock(context, *address);
    return getLittleEndian(*target) == *value ? 0 : kReadBack;
}

int showWide(HandlerContext& context, bool longValue) {
    if (dataFieldCount(context.row) != 1) return kRefused;
    const auto parsed = parseText(context, false);
    if (!parsed) return kRefused;
    const auto address = readAddress(context, *parsed);
    if (!address) return kRefused;
    const std::size_t width = longValue ? 4 : 2;
    const auto source = locate(context.image, context.row, *address, width);
    if (!source) return kRefused;
    return appendValue(context, getLittleEndian(*source), longValue ? 0xFFFFFFFFu : 0xFFFFu,
                       addressFieldCount(context.row) + 1);
}

int storeWord(HandlerContext& context) {
    return storeWide(context, false);
}
int showWord(HandlerContext& context) {
    return showWide(context, false);
}
int storeLong(HandlerContext& context) {
    return storeWide(context, true);
}
int showLong(HandlerContext& context) {
    return showWide(context, true);
}

// ---- pair 0: one bit of a switch byte -----------------------------------------------------

constexpr std::uint8_t kMarkerVariant = 26;

// The switch byte of a row: the switch pointer table (variants 1, 2, 6, 7, 9, 10, 11, at row
// byte 11 plus the variant's offset) or a fixed byte (3–5, 8, 12–25, 27–31).
std::uint8_t* switchByte(DataImage& image, const CommandRow& row) {
    const std::uint8_t variant = row[rowbyte::kVariant];
    int offset = -1;
    switch (variant) {
    case 1:
        offset = 0;
        break;
    case 2:
        offset = 32;
        break;
    case 6:
    case 11:
        offset = 40;
        break;
    case 7:
        offset = 58;
        break;
    case 9:
        offset = 63;
        break;
    case 10:
        offset = 80;
        break;
    default:
        break;
    }
    auto& bytes = image.system.singleBytes;
    if (offset >= 0) {
        const std::size_t index =
            static_cast<std::size_t>(row[rowbyte::kIndex]) + static_cast<std::size_t>(offset);
        if (index >= setting::kSwitchTableSize) return nullptr;
        return &bytes[setting::kSwitchTable + index];
    }
    if (variant == 0 || variant == kMarkerVariant || variant >= setting::kFixedSwitchCount) return nullptr;
    return &bytes[setting::kFixedSwitches + variant];
}

int storeSwitch(HandlerContext& context) {
    const std::uint8_t digit = codec::readByte(context.console, context.dataStart, 1, 0, 1);
    if (digit == 255) return kRefused;
    auto& bytes = context.image.system.singleBytes;
    const std::uint8_t variant = context.row[rowbyte::kVariant];
    if (variant == kMarkerVariant) {
        if (digit != 1) return kRefused;
        bytes[setting::kSwitchMarker] = 255;
        return 0;
    }
    std::uint8_t* target = switchByte(context.image, context.row);
    if (target == nullptr) return kRefused;
    const std::uint8_t mask = context.row[rowbyte::kMask];
    if (digit == 1)
        *target = static_cast<std::uint8_t>(*target | mask);
    else
        *target = static_cast<std::uint8_t>(*target & ~mask);
    if (variant == 9 || variant == 22) bytes[setting::kSwitchChanged] = 255;
    if (variant == 11) bytes[setting::kChangeNotice] = 7;
    return 0;
}

int showSwitch(HandlerContext& context) {
    const std::uint8_t* source = switchByte(context.image, context.row);
    if (source == nullptr) return kRefused;
    ConsoleText text(context.console);
    return text.append((*source & context.row[rowbyte::kMask]) != 0 ? '1' : '0') ? 0 : kNoRoom;
}

// ---- pair 46: one two-digit value ---------------------------------------------------------

constexpr std::uint16_t kMinuteUnits = 120;

int storeTwoDigit(HandlerContext& context) {
    const std::uint8_t value = codec::readByte(context.console, context.dataStart, 2, 0, 99);
    if (value == 255) return kRefused;
    auto& bytes = context.image.system.singleBytes;
    auto& words = context.image.system.singleWords;
    switch (context.row[rowbyte::kVariant]) {
    case 1:
        bytes[setting::kTwoDigitVariant1] = value;
        return bytes[setting::kTwoDigitVariant1] == value ? 0 : kReadBack;
    case 2:
        words[setting::kTwoDigitWord] = static_cast<std::uint16_t>(value * kMinuteUnits);
        return words[setting::kTwoDigitWord] == value * kMinuteUnits ? 0 : kReadBack;
    case 3:
        bytes[setting::kTwoDigitVariant3] = value;
        return bytes[setting::kTwoDigitVariant3] == value ? 0 : kReadBack;
    case 5:
        if (value == 0 || value > 15) return kRefused;
        bytes[setting::kTwoDigitVariant5] = value;
        return bytes[setting::kTwoDigitVariant5] == value ? 0 : kReadBack;
    default:
        return 0;
    }
}

int showTwoDigit(HandlerContext& context) {
    const auto& bytes = context.image.system.singleBytes;
    unsigned value = 0;
    switch (context.row[rowbyte::kVariant]) {
    case 1:
        value = bytes[setting::kTwoDigitVariant1];
        break;
    case 2:
        value = context.image.system.singleWords[setting::kTwoDigitWord] / kMinuteUnits;
        break;
    case 3:
        value = bytes[setting::kTwoDigitVariant3];
        break;
    case 5:
        value = bytes[setting::kTwoDigitVariant5];
        break;
    default:
        break;
    }
    return codec::writeDigits(context.console, value, 2, 10) ? 0 : kNoRoom;
}

// ---- the table ----------------------------------------------------------------------------

int nothing(HandlerContext&) {
    return kRefused;
}

constexpr std::array<Handler, kHandlerCount> buildHandlers() {
    std::array<Handler, kHandlerCount> table{};
    for (Handler& handler : table) handler = nothing;
    auto pair = [&table](std::uint8_t number, Handler store, Handler show) {
        table[number] = store;
        table[kPairCount + number] = show;
    };
    pair(kPairSwitchBit, storeSwitch, showSwitch);
    pair(kPairByteValues, storeBytes, showBytes);
    pair(kPairWordValue, storeWord, showWord);
    pair(kPairLongValue, storeLong, showLong);
    pair(kPairTwoDigit, storeTwoDigit, showTwoDigit);
    pair(kPairNothing, nothing, nothing);
    return table;
}

constexpr std::array<Handler, kHandlerCount> kHandlers = buildHandlers();

// ---- factory defaults ---------------------------------------------------------------------

void applyDefault(DataImage& image, const ItemDefinition& item) {
    const CommandRow& row = item.row;
    switch (row[rowbyte::kPair]) {
    case kPairSwitchBit:
        if (std::uint8_t* target = switchByte(image, row)) {
            const std::uint8_t mask = row[rowbyte::kMask];
            *target =
                static_cast<std::uint8_t>(item.factoryDefault != 0 ? (*target | mask) : (*target & ~mask));
        }
        break;
    case kPairTwoDigit: {
        auto& bytes = image.system.singleBytes;
        const auto value = static_cast<std::uint8_t>(item.factoryDefault);
        switch (row[rowbyte::kVariant]) {
        case 1:
            bytes[setting::kTwoDigitVariant1] = value;
            break;
        case 2:
            image.system.singleWords[setting::kTwoDigitWord] =
                static_cast<std::uint16_t>(value * kMinuteUnits);
            break;
        case 3:
            bytes[setting::kTwoDigitVariant3] = value;
            break;
        case 5:
            bytes[setting::kTwoDigitVariant5] = value;
            break;
        default:
            break;
        }
        break;
    }
    case kPairByteValues:
    case kPairWordValue:
    case kPairLongValue: {
        const std::uint8_t pair = row[rowbyte::kPair];
        const std::size_t width = pair == kPairByteValues  ? static_cast<std::size_t>(dataFieldCount(row))
                                  : pair == kPairWordValue ? 2
                                                           : 4;
        forEachAddress(row, [&](const AddressValues& address) {
            const auto target = locate(image, row, address, width);
            if (!target) return;
            if (pair == kPairByteValues) {
                for (std::uint8_t& byte : *target) byte = static_cast<std::uint8_t>(item.factoryDefault);
            } else {
                putLittleEndian(*target, item.factoryDefault);
            }
        });
        break;
    }
    default:
        break;
    }
}

} // namespace

std::span<const Handler, kHandlerCount> handlerTable() {
    return kHandlers;
}

int runStore(HandlerContext& context) {
    const std::uint8_t pair = context.row[rowbyte::kPair];
    return kHandlers[pair < kPairCount ? pair : kPairNothing](context);
}

int runShow(HandlerContext& context) {
    const std::uint8_t pair = context.row[rowbyte::kPair];
    return kHandlers[kPairCount + (pair < kPairCount ? pair : kPairNothing)](context);
}

const AreaDescriptor* areaForRow(const CommandRow& row) {
    switch (row[rowbyte::kPair]) {
    case kPairByteValues:
    case kPairWordValue:
    case kPairLongValue:
        return areaOf(row[rowbyte::kVariant]);
    default:
        return nullptr;
    }
}

std::string showCommandText(int command, const CommandRow& row, const AddressValues& addresses) {
    std::string text = "*" + commandDigits(command);
    const int count = std::min<int>(addressFieldCount(row), static_cast<int>(addresses.size()));
    bool closedByHash = false;
    for (int i = 0; i < count; ++i) {
        const int width = std::min(fieldMaximum(row, i + 1), 9);
        std::string value = std::to_string(addresses[static_cast<std::size_t>(i)]);
        if (static_cast<int>(value.size()) < width)
            value.insert(0, static_cast<std::size_t>(width) - value.size(), '0');
        text += value;
        closedByHash = fieldMinimum(row, i + 1) < fieldMaximum(row, i + 1);
        if (closedByHash) text += '#';
    }
    if (!closedByHash) text += '#';
    return text;
}

void applyFactoryDefaults(DataImage& image) {
    for (const ItemDefinition& item : definedItems()) applyDefault(image, item);
}

} // namespace rk::image
