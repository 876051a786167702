#include "web/form_decoder.h"

#include "image/command_engine.h"
#include "phonebook/page_rules.h"
#include "platform/digits.h"
#include "platform/text.h"
#include "web/dataset_fields.h"
#include "web/key_fields.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace rk::web {
namespace {

using phonebook::kNameBytes;
using text::hexValue;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Pair {
    std::string_view name;
    std::string_view value; // still encoded
};

// The pairs of a body: the text between '&'s, split at its first '='; text without '=' is none.
std::vector<Pair> pairsOf(std::string_view body) {
    std::vector<Pair> pairs;
    while (!body.empty()) {
        const std::size_t ampersand = body.find('&');
        const std::string_view segment = body.substr(0, ampersand);
        if (const std::size_t equals = segment.find('='); equals != std::string_view::npos)
            pairs.push_back({segment.substr(0, equals), segment.substr(equals + 1)});
        if (ampersand == std::string_view::npos) break;
        body.remove_prefix(ampersand + 1);
    }
    return pairs;
}

// Plain and Name as the page table reads the phonebook's fields (plain: numbers, common-phonebook
// kana, groups; name: kanji names and my-phonebook kana); key data is read plain. Command:
// data-set values, which end where names end and also at '@'.
enum class Variant { Plain, Name, Command };

Variant variantOf(phonebook::ValueReading reading) {
    return reading == phonebook::ValueReading::Name ? Variant::Name : Variant::Plain;
}

bool endsValue(char c, Variant variant) {
    if (phonebook::kPlainValueEnds.find(c) != std::string_view::npos) return true;
    if (variant != Variant::Plain && phonebook::kNameValueEnds.find(c) != std::string_view::npos) return true;
    return variant == Variant::Command && c == '@';
}

std::string decodeValue(std::string_view raw, Variant variant) {
    std::string value;
    int pieces = 0; // runs of plain characters, escapes and '+'
    bool inRun = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (endsValue(c, variant)) break;
        if (c == '%' && i + 2 < raw.size() && hexValue(raw[i + 1]) >= 0 && hexValue(raw[i + 2]) >= 0) {
            if (variant == Variant::Name && pieces >= phonebook::kNameValuePieces) break;
            value += static_cast<char>(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2]));
            i += 2;
            ++pieces;
            inRun = false;
        } else if (c == '+') {
            value += ' ';
            ++pieces;
            inRun = false;
        } else {
            if (!inRun) ++pieces;
            inRun = true;
            value += c; // a '%' without two hexadecimal digits stays itself
        }
    }
    return value;
}

template <std::size_t N>
void copyInto(std::array<char, N>& field, std::string_view value, std::size_t limit) {
    field.fill('\0');
    const std::size_t count = std::min({value.size(), limit, N - 1});
    std::copy_n(value.begin(), count, field.begin());
}

// A run of lead-range bytes ending at the 20th byte that has an odd length ends in the first half
// of a character whose second half was cut off.
void dropCutLeadByte(std::array<char, 21>& field) {
    std::size_t count = 0;
    for (std::size_t i = kNameBytes; i > 0 && text::isLeadByte(static_cast<unsigned char>(field[i - 1])); --i)
        ++count;
    if (count % 2 == 1) field[kNameBytes - 1] = '\0';
}

// atoi's reading of a group number, kept to its low byte as the record's byte keeps it.
char groupByte(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    unsigned value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at)
        value = (value * 10 + static_cast<unsigned>(text[at] - '0')) & 0xFF;
    if (negative) value = (256 - value) & 0xFF;
    return static_cast<char>(value);
}

// The longest start of a text of at most `limit` bytes that does not cut a double-byte character.
std::string_view wholeCharacters(std::string_view text, std::size_t limit) {
    std::size_t end = 0;
    while (end < text.size()) {
        const bool pair = text::isLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size();
        const std::size_t next = end + (pair ? 2 : 1);
        if (next > limit) break;
        end = next;
    }
    return text.substr(0, end);
}

class BodyWalk {
public:
    BodyWalk(std::string_view body, FormTarget& target) : pairs_(pairsOf(body)), target_(target) {
        for (std::size_t i = 0; i < pairs_.size(); ++i)
            if (pairs_[i].name.size() >= 2) byPrefix_[prefixOf(pairs_[i].name)].push_back(i);
    }

    void run() {
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            const std::string_view name = pairs_[i].name;
            if (name.empty()) continue;
            switch (name.front()) {
            case 's':
            case 't':
                phonebookEntry(i);
                break;
            case 'h':
                dataSetFields(i);
                break;
            case 'i':
                keyFields(i);
                break;
            default:
                break;
            }
        }
        storeAnythingKeys();
    }

private:
    using Values = std::vector<std::optional<std::string_view>>;

    static std::string_view prefixOf(std::string_view name) { return name.substr(0, name.size() - 1); }

    // The values of sub-fields 1..count of the entry of pair i: its own, then each further one
    // from the first later pair of the same name prefix. An entry is taken once per body.
    std::optional<Values> gather(std::size_t i, std::size_t count) {
        const std::string_view prefix = prefixOf(pairs_[i].name);
        if (!handled_.insert(prefix).second) return std::nullopt;
        Values values(count);
        const std::size_t own = static_cast<std::size_t>(pairs_[i].name.back() - '0');
        values[own - 1] = pairs_[i].value;
        std::size_t filled = 1;
        for (std::size_t other : byPrefix_[prefix]) {
            if (filled == count) break;
            if (other <= i) continue;
            const int digit = pairs_[other].name.back() - '0';
            if (digit < 1 || static_cast<std::size_t>(digit) > count) continue;
            auto& slot = values[static_cast<std::size_t>(digit - 1)];
            if (slot) continue;
            slot = pairs_[other].value;
            ++filled;
        }
        return values;
    }

    static std::string decoded(const std::optional<std::string_view>& raw, Variant variant) {
        return raw ? decodeValue(*raw, variant) : std::string();
    }

    static bool isSubFieldDigit(char c, int count) { return c >= '1' && c < '1' + count; }

    // A phonebook field ("s005n2", "t101_980n3"): the entry's values, read the way the page
    // table says, into one record stored as soon as it is complete.
    void phonebookEntry(std::size_t i) {
        const std::optional<phonebook::FieldAddress> address = phonebook::fieldAddressOf(pairs_[i].name);
        if (!address) return;
        const std::span<const phonebook::PageField> fields = phonebook::pageBook(address->kind).fields;
        const std::optional<Values> values = gather(i, fields.size());
        if (!values) return;
        phonebook::EntryText text{};
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const std::string value = decoded((*values)[k], variantOf(fields[k].reading));
            switch (fields[k].subField) {
            case phonebook::SubField::Number:
                copyInto(text.number, value, phonebook::kNumberCharacters);
                break;
            case phonebook::SubField::KanjiName:
                copyInto(text.kanjiName, value, kNameBytes);
                dropCutLeadByte(text.kanjiName);
                break;
            case phonebook::SubField::KanaName:
                copyInto(text.kanaName, value, kNameBytes);
                dropCutLeadByte(text.kanaName);
                break;
            case phonebook::SubField::Group:
                text.group = groupByte(value);
                break;
            }
        }
        if (address->kind == phonebook::PageKind::System)
            target_.storeSystemEntry(address->memory, text);
        else
            target_.storeTelephoneEntry(address->position, address->memory, text);
    }

    void dataSetFields(std::size_t i) {
        const std::string_view name = pairs_[i].name;
        const std::size_t firstN = name.find('n');
        if (firstN == std::string_view::npos) {
            const std::string value = decodeValue(pairs_[i].value, Variant::Command);
            apply(storeCommandOf(name, std::span<const std::string>(&value, 1), false));
            return;
        }
        // "…nD": one value of a command whose values are gathered like an entry's.
        if (firstN + 2 != name.size() || !isDigit(name.back())) return;
        const std::string_view entry = name.substr(0, firstN);
        const int count = dataValueCount(entry);
        if (count < 1 || count > 9 || !isSubFieldDigit(name.back(), count)) return;
        const std::optional<Values> values = gather(i, static_cast<std::size_t>(count));
        if (!values) return;
        std::vector<std::string> texts;
        for (const auto& raw : *values) {
            if (!raw) return; // a missing value leaves the command incomplete
            texts.push_back(decodeValue(*raw, Variant::Command));
        }
        apply(storeCommandOf(entry, texts, true));
    }

    void apply(const std::optional<std::string>& command) {
        if (command) image::executeCommandString(target_.image(), kPageConsole, *command);
    }

    void keyFields(std::size_t i) {
        const std::string_view name = pairs_[i].name;
        if (name.starts_with("i14") && name.size() == 14) {
            // "i14_PPP_KK_DnS": the record is the name without its last character and at most
            // five bytes of the value; nothing for an empty value.
            const std::string value = decodeValue(pairs_[i].value, Variant::Plain);
            if (value.empty()) return;
            std::string record(prefixOf(name));
            record += wholeCharacters(value, kKeyPieceBytes);
            if (std::optional<AnythingKeyPiece> piece = anythingKeyPieceOf(record))
                addPiece(std::move(*piece));
        } else if (name.starts_with("i92") && name.size() == 12 && name[10] == 'n' &&
                   isSubFieldDigit(name[11], 3)) {
            // "i92_PPP_KKnS": kind and code from n2, or the code from n3.
            const std::optional<Values> values = gather(i, 3);
            if (!values) return;
            const std::string kind = decoded((*values)[1], Variant::Plain);
            if (kind.empty()) return;
            std::string code;
            if (kind.front() == 'A') {
                if (kind.size() < 3) return;
                code = kind.substr(0, 3);
            } else {
                code = decoded((*values)[2], Variant::Plain);
                if (code.size() != 3) return;
            }
            std::string record(prefixOf(name));
            record += kind.front();
            record += ',';
            record += code;
            storeOneTouchRecord(target_.image(), record);
        }
    }

    // The pieces of an anything key come in one pair each; the key is programmed once from all
    // of them when the body has been read.
    void addPiece(AnythingKeyPiece piece) {
        const std::pair<int, int> key{piece.position, piece.keyNumber};
        auto& slot = anythingKeys_[key][static_cast<std::size_t>(piece.piece)];
        if (!slot) slot = std::move(piece.text);
    }

    void storeAnythingKeys() {
        for (const auto& [key, pieces] : anythingKeys_) {
            std::string text;
            for (const auto& piece : pieces)
                if (piece) text += *piece;
            storeAnythingKey(target_.image(), key.first, key.second, text);
        }
    }

    std::vector<Pair> pairs_;
    FormTarget& target_;
    std::unordered_map<std::string_view, std::vector<std::size_t>> byPrefix_;
    std::unordered_set<std::string_view> handled_;
    std::map<std::pair<int, int>, std::array<std::optional<std::string>, kAnythingKeyPieces>> anythingKeys_;
};

} // namespace

void ApplySubmittedForm(std::string_view body, FormTarget& target) {
    target.clearDuplicateReport();
    BodyWalk(body.substr(0, body.find('\0')), target).run();
}

std::string duplicateMessage(const phonebook::DuplicateReport& report, phonebook::PageKind kind) {
    if (report.count <= 0) return {};
    char message[256];
    if (kind == phonebook::PageKind::System)
        std::snprintf(message, sizeof message, "短縮番号%03d番と%03d番が重複して登録されています。",
                      report.lowMemory, report.highMemory);
    else
        std::snprintf(message, sizeof message,
                      "収容位置%03dの短縮番号%03d番と%03d番が重複して登録されています。", report.position,
                      report.lowMemory, report.highMemory);
    return text::toCp932(message);
}

int firstEntryOfBody(std::string_view body) {
    return text::digitsAt(body, 1, 3);
}

} // namespace rk::web
