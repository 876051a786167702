#include "web/data_script.h"

#include "platform/digits.h"

#include "web/dataset_fields.h"
#include "web/field_table.h"
#include "web/key_fields.h"
#include "web/script_text.h"

#include <array>
#include <vector>

namespace rk::web {
namespace {

constexpr std::string_view kScriptStart = "<!--\r\n";
constexpr std::string_view kValuesStart = "arVals=[ \"";
constexpr std::string_view kScriptEnd = "];\r\n//-->";
constexpr int kLastAcceptedGroup = 21; // one past the table still passes the first check

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal digits at the start of a text, up to the first other character, held below a limit
// so that no text can overflow them.
int leadingNumber(std::string_view text, int limit) {
    int value = 0;
    for (char c : text) {
        if (!isDigit(c)) break;
        value = value * 10 + (c - '0');
        if (value > limit) value = limit;
    }
    return value;
}

// A "%d" conversion of a name format: "%d", "%03d" or "%3d".
struct Conversion {
    std::size_t start = 0; // the '%'
    std::size_t end = 0;   // after the 'd'
    int width = 0;
    bool zeroPadded = false;
};

std::vector<Conversion> conversionsOf(std::string_view format) {
    std::vector<Conversion> conversions;
    for (std::size_t at = 0; at < format.size(); ++at) {
        if (format[at] != '%') continue;
        Conversion conversion;
        conversion.start = at;
        std::size_t next = at + 1;
        if (next < format.size() && format[next] == '0') {
            conversion.zeroPadded = true;
            ++next;
        }
        while (next < format.size() && isDigit(format[next]))
            conversion.width = conversion.width * 10 + (format[next++] - '0');
        if (next >= format.size() || format[next] != 'd') continue;
        conversion.end = next + 1;
        conversions.push_back(conversion);
        at = next;
    }
    return conversions;
}

using Indexes = std::array<int, kMaxDimensions>;

std::string fieldName(std::string_view format, const std::vector<Conversion>& conversions,
                      const Indexes& indexes) {
    std::string name;
    std::size_t literal = 0;
    for (std::size_t i = 0; i < conversions.size(); ++i) {
        const Conversion& conversion = conversions[i];
        name += format.substr(literal, conversion.start - literal);
        // Conversions beyond the dimensions get 0.
        const std::string digits = std::to_string(i < indexes.size() ? indexes[i] : 0);
        if (digits.size() < static_cast<std::size_t>(conversion.width))
            name.append(static_cast<std::size_t>(conversion.width) - digits.size(),
                        conversion.zeroPadded ? '0' : ' ');
        name += digits;
        literal = conversion.end;
    }
    name += format.substr(literal);
    return name;
}

std::span<const IndexRange> selectionRanges(const FieldDescriptor& field, int selection) {
    const auto perSelection =
        static_cast<std::size_t>(field.groups) * static_cast<std::size_t>(field.dimensions);
    return field.ranges.subspan(static_cast<std::size_t>(selection) * perSelection, perSelection);
}

// A number of a conversion is padded with zeros in arFormat when the field's numbers change
// their count of digits between the first range set and the last.
bool needsPadding(const FieldDescriptor& field, std::size_t conversion) {
    if (conversion >= static_cast<std::size_t>(field.dimensions) || field.ranges.empty()) return false;
    const auto dimensions = static_cast<std::size_t>(field.dimensions);
    const int low = field.ranges[conversion].low;
    const int high = field.ranges[field.ranges.size() - dimensions + conversion].high;
    return (low < 10 && high > 9) || (low < 100 && high >= 100);
}

// arFormat, arSeq and, for a selection, arParam.
void appendFormatHeader(std::string& out, const FieldDescriptor& field, std::optional<int> selection) {
    out += "var arFormat=[";
    const std::vector<Conversion> conversions = conversionsOf(field.nameFormat);
    std::size_t literal = 0;
    for (std::size_t i = 0; i < conversions.size(); ++i) {
        if (i > 0) out += ',';
        out += '"';
        appendScriptString(out, field.nameFormat.substr(literal, conversions[i].start - literal));
        if (needsPadding(field, i)) out.append(static_cast<std::size_t>(conversions[i].width), '0');
        out += '"';
        literal = conversions[i].end;
    }
    out += "];\r\nvar arSeq=[";
    for (int dimension = 0; dimension < field.dimensions; ++dimension) {
        out += static_cast<char>('0' + field.order[static_cast<std::size_t>(dimension)] % 10);
        out += ',';
    }
    out += "0];\r\n";
    if (!selection) return;
    out += "var arParam=[";
    bool any = false;
    for (const IndexRange& range : selectionRanges(field, *selection)) {
        out += std::to_string(range.low) + ',' + std::to_string(range.high) + ',';
        any = true;
    }
    if (any) out.pop_back();
    out += "];\r\n\r\n";
}

// The ranges a data-set page asks for: "low&high&low&high…", one pair per group and dimension;
// an empty or missing high repeats its low.
std::vector<IndexRange> parameterRanges(std::string_view parameter, const FieldDescriptor& field) {
    std::vector<std::string_view> tokens;
    for (;;) {
        const std::size_t ampersand = parameter.find('&');
        tokens.push_back(parameter.substr(0, ampersand));
        if (ampersand == std::string_view::npos) break;
        parameter.remove_prefix(ampersand + 1);
    }
    constexpr int kHighest = 65535; // ranges are 16-bit
    const auto pairs = static_cast<std::size_t>(field.groups) * static_cast<std::size_t>(field.dimensions);
    std::vector<IndexRange> ranges(pairs);
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const std::string_view lowText = 2 * pair < tokens.size() ? tokens[2 * pair] : std::string_view();
        const std::string_view highText =
            2 * pair + 1 < tokens.size() ? tokens[2 * pair + 1] : std::string_view();
        const int low = leadingNumber(lowText, kHighest);
        const int high = highText.empty() ? low : leadingNumber(highText, kHighest);
        ranges[pair] = {static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(high)};
    }
    return ranges;
}

class ScriptWriter {
public:
    explicit ScriptWriter(PageValueSource& values) : values_(values) {}

    std::string& text() { return out_; }
    bool overflowed() const { return out_.size() > kScriptCapacity; }

    // Appends the value of every field the descriptor names over the given groups of ranges.
    // False once the script has outgrown its buffer.
    bool appendValues(const FieldDescriptor& field, std::span<const IndexRange> ranges) {
        if (field.groups == 0 || field.dimensions == 0) {
            appendValue(field.nameFormat);
            return !overflowed();
        }
        const std::vector<Conversion> conversions = conversionsOf(field.nameFormat);
        const auto dimensions = static_cast<std::size_t>(field.dimensions);
        for (std::size_t start = 0; start + dimensions <= ranges.size(); start += dimensions) {
            const std::span<const IndexRange> group = ranges.subspan(start, dimensions);
            bool empty = false;
            Indexes indexes{};
            for (std::size_t dimension = 0; dimension < dimensions; ++dimension) {
                empty = empty || group[dimension].low > group[dimension].high;
                indexes[dimension] = group[dimension].low;
            }
            if (empty) continue;
            for (;;) {
                appendValue(fieldName(field.nameFormat, conversions, indexes));
                if (overflowed()) return false;
                // The innermost level is the first order byte.
                std::size_t level = 0;
                for (; level < dimensions; ++level) {
                    const std::size_t dimension = field.order[level];
                    if (indexes[dimension] < group[dimension].high) {
                        ++indexes[dimension];
                        break;
                    }
                    indexes[dimension] = group[dimension].low;
                }
                if (level == dimensions) break;
            }
        }
        return true;
    }

private:
    void appendValue(std::string_view name) {
        // "s012n3": the third value of entry s012; a name without that form takes the first.
        const std::string_view entry = name.substr(0, name.find('n'));
        std::size_t number = 1;
        if (name.size() >= 2 && name[name.size() - 2] == 'n') {
            const int digit = name.back() - '0';
            number = digit >= 1 && digit <= 9 ? static_cast<std::size_t>(digit) : 0;
        }
        const std::vector<std::string>& entryValues = valuesOf(entry);
        if (number >= 1 && number <= entryValues.size()) appendScriptString(out_, entryValues[number - 1]);
        out_ += "\",\"";
    }

    // An entry is read once for all its sub-fields; the pages list them side by side.
    const std::vector<std::string>& valuesOf(std::string_view entry) {
        if (!cachedEntry_ || *cachedEntry_ != entry) {
            cachedValues_ = readEntry(entry);
            cachedEntry_ = std::string(entry);
        }
        return cachedValues_;
    }

    std::vector<std::string> readEntry(std::string_view entry) {
        if (entry.empty()) return {};
        phonebook::EntryText text;
        switch (entry.front()) {
        case 's': {
            const int memory = text::digitsAt(entry, 1, 3);
            if (memory < 0) return {};
            if (!values_.systemEntry(memory, text)) return std::vector<std::string>(4);
            return {text.numberText(), text.kanjiText(), text.kanaText(), std::string("0") + text.group};
        }
        case 't': {
            const int position = text::digitsAt(entry, 1, 3);
            const int memory = text::digitsAt(entry, 5, 3);
            if (position < 0 || memory < 0 || entry[4] != '_') return {};
            if (!values_.telephoneEntry(position, memory, text)) return std::vector<std::string>(3);
            return {text.numberText(), text.kanjiText(), text.kanaText()};
        }
        case 'h':
            return shownValues(values_.image(), entry);
        case 'i':
            return keyFieldValues(values_.image(), entry);
        default:
            return {};
        }
    }

    PageValueSource& values_;
    std::string out_;
    std::optional<std::string> cachedEntry_;
    std::vector<std::string> cachedValues_;
};

} // namespace

std::string generateDataScript(std::string_view pageKey, const std::optional<std::string_view>& parameter,
                               PageValueSource& values) {
    const std::size_t underscore = pageKey.find('_');
    if (underscore == std::string_view::npos) return {};
    const int group = leadingNumber(pageKey, kLastAcceptedGroup + 1);
    const int subPageNumber = leadingNumber(pageKey.substr(underscore + 1), 1'000'000);
    if (group < 1 || subPageNumber < 1 || group > kLastAcceptedGroup) return {};
    const SubPage* fields = subPage(group, subPageNumber);
    if (fields == nullptr || fields->empty()) return {};

    ScriptWriter writer(values);
    writer.text() += kScriptStart;
    const FieldDescriptor& first = fields->front();
    if (!parameter) {
        writer.text() += kValuesStart;
        for (const FieldDescriptor& field : *fields)
            if (!writer.appendValues(field, selectionRanges(field, 0))) return {};
    } else if (first.selections >= 2) {
        // A page of the phonebook or key groups: its number picks the selection.
        const int page = pageNumberOfQuery(*parameter);
        int selection = 0;
        if (page >= 1 && page <= first.selections) {
            selection = page - 1;
            appendFormatHeader(writer.text(), first, selection);
        }
        writer.text() += kValuesStart;
        if (!writer.appendValues(first, selectionRanges(first, selection))) return {};
    } else {
        const std::vector<IndexRange> ranges = parameterRanges(*parameter, first);
        appendFormatHeader(writer.text(), first, std::nullopt);
        writer.text() += kValuesStart;
        if (!writer.appendValues(first, ranges)) return {};
    }

    // The comma and quotation mark after the last value (or the blank and quotation mark of an
    // empty list) give way to the end of the array.
    std::string& script = writer.text();
    script.resize(script.size() - 2);
    script += kScriptEnd;
    if (script.size() > kScriptCapacity) return {};
    return std::move(script);
}

std::string pageKeyOfPath(std::string_view path) {
    std::string key;
    for (char c : path)
        if (c != '/' && c != '\\') key += c;
    return key;
}

int pageNumberOfQuery(std::string_view query) {
    const std::string_view tail = query.substr(query.size() >= 3 ? query.size() - 3 : 0);
    return leadingNumber(tail, 999);
}

} // namespace rk::web
