#include "contacts/vcard_reader.h"

#include "contacts/unicode.h"

#include <algorithm>
#include <map>
#include <optional>

namespace rk::contacts {
namespace {

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& character : result)
        if (character >= 'a' && character <= 'z') character = static_cast<char>(character - 'a' + 'A');
    return result;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && upper(text.substr(0, prefix.size())) == prefix;
}

std::vector<std::string_view> physicalLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (bytes[at] != '\r' && bytes[at] != '\n') continue;
        lines.push_back(bytes.substr(start, at - start));
        if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') ++at;
        start = at + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

// Splits at a separator that is not inside double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '"') quoted = !quoted;
        if (text[at] == separator && !quoted) {
            parts.push_back(text.substr(start, at - start));
            start = at + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::size_t findOutsideQuotes(std::string_view text, char wanted) {
    bool quoted = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '"') quoted = !quoted;
        if (text[at] == wanted && !quoted) return at;
    }
    return std::string_view::npos;
}

std::string unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

struct Property {
    std::string group;                                  // "ITEM1" of item1.TEL
    std::string name;                                   // upper case
    std::multimap<std::string, std::string> parameters; // upper-case keys; bare 2.1 values under "TYPE"
    std::string_view rawValue;
    std::string value; // decoded UTF-8, still escaped

    std::vector<std::string> all(const std::string& key) const {
        std::vector<std::string> values;
        for (auto [at, end] = parameters.equal_range(key); at != end; ++at) values.push_back(at->second);
        return values;
    }
    std::optional<std::string> first(const std::string& key) const {
        const auto found = parameters.find(key);
        if (found == parameters.end()) return std::nullopt;
        return found->second;
    }
};

bool isQuotedPrintable(std::string_view head) {
    return upper(head).find("QUOTED-PRINTABLE") != std::string::npos;
}

int hexValue(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    return -1;
}

std::string decodeQuotedPrintable(std::string_view text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '=' && at + 2 < text.size()) {
            const int high = hexValue(text[at + 1]);
            const int low = hexValue(text[at + 2]);
            if (high >= 0 && low >= 0) {
                bytes.push_back(static_cast<char>(high * 16 + low));
                at += 2;
                continue;
            }
        }
        if (text[at] == '=' && at + 1 == text.size()) continue; // a soft break left at the end
        bytes.push_back(text[at]);
    }
    return bytes;
}

std::string decodeBase64(std::string_view text) {
    std::string bytes;
    unsigned int buffer = 0;
    int bits = 0;
    for (char character : text) {
        int value = -1;
        if (character >= 'A' && character <= 'Z')
            value = character - 'A';
        else if (character >= 'a' && character <= 'z')
            value = character - 'a' + 26;
        else if (character >= '0' && character <= '9')
            value = character - '0' + 52;
        else if (character == '+')
            value = 62;
        else if (character == '/')
            value = 63;
        if (value < 0) continue;
        buffer = (buffer << 6) | static_cast<unsigned int>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

// Components of a structured value (N, ORG, SOUND), split at unescaped semicolons and unescaped.
std::vector<std::string> components(std::string_view value, char separator = ';') {
    std::vector<std::string> parts(1);
    for (std::size_t at = 0; at < value.size(); ++at) {
        const char character = value[at];
        if (character == '\\' && at + 1 < value.size()) {
            const char next = value[++at];
            if (next == 'n' || next == 'N')
                parts.back().push_back('\n');
            else
                parts.back().push_back(next);
            continue;
        }
        if (character == separator) {
            parts.emplace_back();
            continue;
        }
        parts.back().push_back(character);
    }
    for (std::string& part : parts) part = std::string(trimBlanks(part));
    return parts;
}

std::string unescaped(std::string_view value) {
    std::vector<std::string> whole = components(value, '\0');
    return whole.front();
}

std::string component(const std::vector<std::string>& parts, std::size_t index) {
    return index < parts.size() ? parts[index] : std::string();
}

Property parseProperty(std::string_view line, std::vector<std::string>& notes) {
    Property property;
    const std::size_t colon = findOutsideQuotes(line, ':');
    const std::string_view head = line.substr(0, colon);
    property.rawValue = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    std::vector<std::string_view> pieces = splitOutsideQuotes(head, ';');
    std::string_view name = pieces.front();
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
        property.group = upper(name.substr(0, dot));
        name.remove_prefix(dot + 1);
    }
    property.name = upper(trimBlanks(name));
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::string_view piece = trimBlanks(pieces[i]);
        const std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos) {
            property.parameters.emplace("TYPE", upper(piece));
            continue;
        }
        const std::string key = upper(trimBlanks(piece.substr(0, equals)));
        for (std::string_view value : splitOutsideQuotes(piece.substr(equals + 1), ',')) {
            std::string text = unquoted(trimBlanks(value));
            if (key == "TYPE" || key == "ENCODING" || key == "VALUE") text = upper(text);
            property.parameters.emplace(key, text);
        }
    }
    // A bare QUOTED-PRINTABLE or BASE64 of 2.1 names the encoding.
    std::string encoding = property.first("ENCODING").value_or("");
    for (const std::string& type : property.all("TYPE"))
        if (type == "QUOTED-PRINTABLE" || type == "BASE64") encoding = type;
    std::string bytes;
    if (encoding == "QUOTED-PRINTABLE")
        bytes = decodeQuotedPrintable(property.rawValue);
    else if (encoding == "B" || encoding == "BASE64")
        bytes = decodeBase64(property.rawValue);
    else
        bytes = std::string(property.rawValue);

    if (const std::optional<std::string> charset = property.first("CHARSET")) {
        if (std::optional<std::string> text = decodeCharset(bytes, *charset)) {
            property.value = std::move(*text);
            return property;
        }
        notes.push_back(property.name + ": not readable as " + *charset + ", read as " +
                        (isValidUtf8(bytes) ? "UTF-8" : "Shift-JIS"));
    }
    property.value = decodeUnlabelled(bytes);
    return property;
}

// The card's logical lines: folded lines unfolded, quoted-printable soft line breaks joined.
std::vector<std::string> logicalLines(const std::vector<std::string_view>& lines, bool version21) {
    std::vector<std::string> logical;
    bool softBreak = false;
    for (std::string_view line : lines) {
        if (softBreak && !logical.empty()) {
            logical.back().pop_back(); // the "="
            logical.back() += trimBlanks(line);
        } else if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !logical.empty()) {
            // 2.1 folds at white space that belongs to the value; later versions add the blank.
            logical.back() += version21 ? line : line.substr(1);
        } else if (trimBlanks(line).empty()) {
            softBreak = false;
            continue;
        } else {
            logical.emplace_back(line);
        }
        const std::string& current = logical.back();
        const std::size_t colon = findOutsideQuotes(current, ':');
        softBreak = colon != std::string::npos && current.ends_with('=') &&
                    isQuotedPrintable(std::string_view(current).substr(0, colon));
    }
    return logical;
}

std::string labelText(std::string label) {
    // Apple's stock labels: _$!<Mobile>!$_
    if (label.starts_with("_$!<") && label.ends_with(">!$_")) label = label.substr(4, label.size() - 8);
    return label;
}

Contact readCard(const std::vector<std::string_view>& lines, std::string_view sourceName, int record) {
    Contact contact;
    contact.source = std::string(sourceName);
    contact.record = record;
    bool version21 = true;
    for (std::string_view line : lines)
        if (startsWithNoCase(trimBlanks(line), "VERSION:")) version21 = trimBlanks(line).substr(8) == "2.1";

    struct Number {
        std::string group;
        std::vector<std::string> labels;
        std::string text;
    };
    std::vector<Number> numbers;
    std::map<std::string, std::string> groupLabels;
    std::vector<std::string> soundName;
    bool haveN = false;

    for (const std::string& line : logicalLines(lines, version21)) {
        Property property = parseProperty(line, contact.notes);
        const std::string& name = property.name;
        if (name == "N") {
            const std::vector<std::string> parts = components(property.value);
            contact.family.text = component(parts, 0);
            contact.given.text = component(parts, 1);
            haveN = true;
            if (const std::optional<std::string> sortAs = property.first("SORT-AS")) {
                const std::vector<std::string> readings = components(*sortAs, ',');
                contact.family.reading = component(readings, 0);
                contact.given.reading = component(readings, 1);
            }
        } else if (name == "FN") {
            contact.fullName.text = unescaped(property.value);
        } else if (name == "ORG") {
            contact.organisation.text = component(components(property.value), 0);
            if (const std::optional<std::string> sortAs = property.first("SORT-AS"))
                contact.organisation.reading = component(components(*sortAs, ','), 0);
        } else if (name == "TEL") {
            std::string value = unescaped(property.value);
            if (startsWithNoCase(value, "TEL:")) value = value.substr(4);
            std::vector<std::string> labels = property.all("TYPE");
            numbers.push_back({property.group, std::move(labels), std::move(value)});
        } else if (name == "X-ABLABEL" && !property.group.empty()) {
            groupLabels[property.group] = labelText(unescaped(property.value));
        } else if (name == "SOUND") {
            const std::vector<std::string> types = property.all("TYPE");
            if (std::find(types.begin(), types.end(), "X-IRMC-N") != types.end())
                soundName = components(property.value);
        } else if (name == "X-PHONETIC-LAST-NAME") {
            contact.family.reading = unescaped(property.value);
        } else if (name == "X-PHONETIC-FIRST-NAME") {
            contact.given.reading = unescaped(property.value);
        } else if (name == "X-PHONETIC-ORG") {
            contact.organisation.reading = unescaped(property.value);
        } else if (name == "SORT-STRING") {
            contact.fullName.reading = unescaped(property.value);
        }
    }

    // SOUND;X-IRMC-N mirrors N; some phones put the whole reading into its first component.
    if (!soundName.empty() && contact.family.reading.empty() && contact.given.reading.empty()) {
        const std::string first = component(soundName, 0);
        const std::string second = component(soundName, 1);
        if (!second.empty() || contact.given.text.empty()) {
            contact.family.reading = first;
            contact.given.reading = second;
        } else if (const std::size_t blank = findBlank(first);
                   blank != std::string::npos && !contact.family.text.empty()) {
            const std::string_view whole(first);
            contact.family.reading = std::string(trimBlanks(whole.substr(0, blank)));
            contact.given.reading = std::string(trimBlanks(whole.substr(blank)));
        } else {
            contact.fullName.reading = first;
        }
    }
    if (!haveN && contact.fullName.text.empty()) contact.notes.push_back("the card has neither N nor FN");

    for (Number& number : numbers) {
        if (const auto label = groupLabels.find(number.group);
            !number.group.empty() && label != groupLabels.end())
            number.labels.push_back(label->second);
        if (trimBlanks(number.text).empty()) continue;
        contact.numbers.push_back(
            {numberKindFromLabels(number.labels), std::string(trimBlanks(number.text))});
    }
    return contact;
}

} // namespace

bool looksLikeVCard(std::string_view bytes) {
    const std::string text = decodeUnlabelled(bytes.substr(0, 512));
    return startsWithNoCase(trimBlanks(text), "BEGIN:VCARD");
}

NumberKind numberKindFromLabels(const std::vector<std::string>& labels) {
    bool mobile = false, work = false, home = false, fax = false;
    for (const std::string& label : labels) {
        const std::string text = upper(labelText(label));
        const auto has = [&text](std::string_view word) { return text.find(word) != std::string::npos; };
        fax = fax || has("FAX") || has("ファックス") || has("ファクス") || has("ＦＡＸ");
        mobile = mobile || has("CELL") || has("MOBILE") || has("IPHONE") || has("携帯") || has("ケータイ");
        work = work || has("WORK") || has("BUSINESS") || has("COMPANY") || has("MAIN") || has("会社") ||
               has("勤務") || has("仕事") || has("職場");
        home = home || has("HOME") || has("自宅");
    }
    if (fax) return NumberKind::Fax;
    if (mobile) return NumberKind::Mobile;
    if (work) return NumberKind::Work;
    if (home) return NumberKind::Home;
    return NumberKind::Other;
}

std::vector<Contact> readVCards(std::string_view bytes, std::string_view sourceName) {
    std::vector<Contact> contacts;
    const std::vector<std::string_view> lines = physicalLines(bytes);
    std::vector<std::string_view> card;
    int depth = 0;
    for (std::string_view line : lines) {
        const std::string_view trimmed = trimBlanks(line);
        if (startsWithNoCase(trimmed, "BEGIN:VCARD")) {
            // A card inside a card (an AGENT of 2.1) is not a contact of the list.
            ++depth;
            continue;
        }
        if (startsWithNoCase(trimmed, "END:VCARD")) {
            if (depth == 1) {
                contacts.push_back(readCard(card, sourceName, static_cast<int>(contacts.size()) + 1));
                card.clear();
            }
            depth = std::max(depth - 1, 0);
            continue;
        }
        if (depth == 1) card.push_back(line);
    }
    if (depth > 0 && !card.empty()) {
        contacts.push_back(readCard(card, sourceName, static_cast<int>(contacts.size()) + 1));
        contacts.back().notes.push_back("the card ends without END:VCARD: read as far as it goes");
    }
    return contacts;
}

} // namespace rk::contacts
