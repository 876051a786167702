#include "phonebook/dataset_conversion.h"

#include "image/command_engine.h"
#include "image/command_table.h"

#include <cstdio>

namespace rk::phonebook {
namespace {

constexpr int kLastItemNumber = 9999;
constexpr int kStationFieldItem = 9419;

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isWhiteSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isWhiteSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Items whose value is written as several fields joined by "@" (address and data fields).
bool hasSubFields(int itemNumber) {
    const image::CommandRow& row = image::rowOf(itemNumber);
    return image::addressFieldCount(row) + image::dataFieldCount(row) > 1;
}

// What an item whose element holds no value at all is set to.
const char* defaultCommand(int itemNumber) {
    switch (itemNumber) {
    case 83:
        return "*08300#";
    case 163:
        return "*1630#";
    case 164:
        return "*16400000#";
    default:
        return nullptr;
    }
}

} // namespace

std::vector<std::string_view> elementParts(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view part = trimmed(text.substr(0, comma));
        if (!part.empty()) parts.push_back(part);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return parts;
}

std::string dataSetCommand(int itemNumber, std::string_view part, int fwIs501) {
    if (itemNumber < 0 || itemNumber > kLastItemNumber) return {};
    char head[8];
    std::snprintf(head, sizeof head, itemNumber < 1000 ? "*%03d" : "*%04d", itemNumber);
    std::string command(head);

    // Older firmware sends the station of item 9419 without the "s" that ends its field.
    std::string widened;
    if (itemNumber == kStationFieldItem && fwIs501 == 0) {
        for (char c : part) {
            if (c == '@') widened += 's';
            widened += c;
        }
        part = widened;
    }

    const bool subFields = hasSubFields(itemNumber);
    std::string token;
    bool flushed = false; // the next digit or blank starts the token afresh
    bool atSeen = false;
    const auto flush = [&](bool withHash) {
        command += token;
        if (withHash) command += '#';
        token.clear();
        flushed = true;
    };
    for (char c : part) {
        if ((c >= '0' && c <= '9') || c == ' ') {
            if (flushed) token.clear();
            flushed = false;
            token += c;
        } else if (c == 's') {
            flush(true);
        } else if (c == '_') {
            flush(false);
        } else if (c == '-') {
            continue;
        } else if (c == '@') {
            if (!atSeen && subFields) flush(false);
            atSeen = true;
        } else {
            token += c;
        }
    }
    command += token;
    command += '#';
    return command;
}

std::string convertDataSetItem(image::DataImage& image, int itemNumber, std::string_view elementText,
                               int fwIs501, std::string& output) {
    if (itemNumber < 0 || itemNumber > kLastItemNumber) return {};
    std::string last;
    for (std::string_view part : elementParts(elementText)) {
        last = dataSetCommand(itemNumber, part, fwIs501);
        // A command the console cannot take leaves the image as it was.
        image::executeCommandString(image, kConversionConsole, last);
        output += last;
        output += '\n';
    }
    if (last.empty()) {
        if (const char* fallback = defaultCommand(itemNumber))
            image::executeCommandString(image, kConversionConsole, fallback);
    }
    return last;
}

} // namespace rk::phonebook
