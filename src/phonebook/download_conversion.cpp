#include "phonebook/download_conversion.h"

#include "phonebook/phonebook_file.h"

namespace rk::phonebook {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kRecordEnd = ",\n\n"; // older firmware: "," and two line feeds

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(from, start)) != std::string_view::npos;
         start = found + from.size()) {
        result.append(text.substr(start, found - start));
        result.append(to);
    }
    result.append(text.substr(start));
    return result;
}

std::string withoutCommas(std::string_view text) {
    std::string result;
    for (char character : text)
        if (character != ',') result.push_back(character);
    return result;
}

// Firmware 1.00 separates fields with "s" and ends records with two line feeds.
std::string fromSeparatorConvention(std::string_view text, bool underscoreIsSeparator) {
    std::string result = withoutCommas(text);
    for (char& character : result) {
        if (character == 's' || (underscoreIsSeparator && character == '_')) character = ',';
    }
    return replaceAll(result, "\n\n", kCrLf);
}

// One my-phonebook record of the older firmware: the "_" between position and memory becomes
// a comma. Records are at most 127 characters.
void appendRecord(std::string& result, std::string_view record) {
    std::string line(record.substr(0, 127));
    if (line.size() > 3) line[3] = ',';
    result += line;
    result += kCrLf;
}

} // namespace

std::string convertCommonPhonebook(const std::optional<std::string_view>& systan, int fwIs100) {
    std::string body = commonColumnHeader(1);
    body += kCrLf;
    if (systan)
        body +=
            fwIs100 == 1 ? fromSeparatorConvention(*systan, false) : replaceAll(*systan, kRecordEnd, kCrLf);
    body += kCrLf;
    return body;
}

std::string convertMyPhonebook(const std::optional<std::string_view>& teltan, int fwIs100) {
    std::string body = myPhonebookColumnHeader();
    body += kCrLf;
    if (!teltan) return body;
    std::string text;
    if (fwIs100 == 1) {
        text = fromSeparatorConvention(*teltan, true);
    } else {
        // Record by record, up to position 200 memory 998 and the one after it, which ends the
        // book. A text without that record is converted all the same, every record of it, so
        // that what the main unit sent is never left in a form the file parser cannot read.
        std::size_t start = 0;
        bool lastRecord = false;
        while (start < teltan->size()) {
            std::size_t end = teltan->find(kRecordEnd, start);
            const std::string_view record =
                teltan->substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
            if (end == std::string_view::npos && record.find_first_not_of(" \r\n") == std::string_view::npos)
                break;
            appendRecord(text, record);
            if (lastRecord || end == std::string_view::npos) break;
            start = end + kRecordEnd.size();
            lastRecord = record.starts_with("200") && record.size() >= 7 && record.substr(4, 3) == "998";
        }
    }
    body += text;
    body += kCrLf;
    return body;
}

} // namespace rk::phonebook
