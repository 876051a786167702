#include "link/device_info.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cctype>

namespace rk::link {
namespace {

struct ListRow {
    std::string_view key;
    std::string_view name;
};

// Tried in order; a key that begins another key comes after it.
constexpr std::array<ListRow, 51> kListRows = {{
    {"DATA-SET", "data-set.txt"},         {"SYS-TAN000", "sys-tan000.txt"},
    {"SYS-TAN500", "sys-tan500.txt"},     {"SYS-TAN", "sys-tan.txt"},
    {"TEL-TAN101", "tel-tan101.txt"},     {"TEL-TAN126", "tel-tan126.txt"},
    {"TEL-TAN151", "tel-tan151.txt"},     {"TEL-TAN176", "tel-tan176.txt"},
    {"TEL-TAN", "tel-tan.txt"},           {"ONE-TOUCH101", "one-touch101.txt"},
    {"ONE-TOUCH153", "one-touch153.txt"}, {"ONE-TOUCH", "one-touch.txt"},
    {"NANDEMO101", "nandemo101.txt"},     {"NANDEMO117", "nandemo117.txt"},
    {"NANDEMO133", "nandemo133.txt"},     {"NANDEMO153", "nandemo153.txt"},
    {"NANDEMO165", "nandemo165.txt"},     {"NANDEMO181", "nandemo181.txt"},
    {"NANDEMO", "nandemo.txt"},           {"DSET-000", "dset-000.txt"},
    {"DSET-180-1", "dset-180-1.txt"},     {"DSET-180-2", "dset-180-2.txt"},
    {"DSET-181", "dset-181.txt"},         {"DSET-100", "dset-100.txt"},
    {"DSET-200", "dset-200.txt"},         {"DSET-310-1", "dset-310-1.txt"},
    {"DSET-310-2", "dset-310-2.txt"},     {"DSET-311-1", "dset-311-1.txt"},
    {"DSET-311-2", "dset-311-2.txt"},     {"DSET-312-1", "dset-312-1.txt"},
    {"DSET-312-2", "dset-312-2.txt"},     {"DSET-312-3", "dset-312-3.txt"},
    {"DSET-312-4", "dset-312-4.txt"},     {"DSET-313-1", "dset-313-1.txt"},
    {"DSET-313-2", "dset-313-2.txt"},     {"DSET-313-3", "dset-313-3.txt"},
    {"DSET-313-4", "dset-313-4.txt"},     {"DSET-314", "dset-314.txt"},
    {"DSET-366-1", "dset-366-1.txt"},     {"DSET-366-2", "dset-366-2.txt"},
    {"DSET-366-3", "dset-366-3.txt"},     {"DSET-366-4", "dset-366-4.txt"},
    {"DSET-300", "dset-300.txt"},         {"DSET-400", "dset-400.txt"},
    {"DSET-500", "dset-500.txt"},         {"DSET-600", "dset-600.txt"},
    {"DSET-700", "dset-700.txt"},         {"DSET-800", "dset-800.txt"},
    {"DSET-9100", "dset-9100.txt"},       {"DSET-9300", "dset-9300.txt"},
    {"DSET-9000", "dset-9000.txt"},
}};

std::string upper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

const ListRow* rowFor(std::string_view entry) {
    const std::string key = upper(entry);
    for (const ListRow& row : kListRows)
        if (key.starts_with(row.key)) return &row;
    return nullptr;
}

std::optional<std::string> firstElementText(const pugi::xml_document& document, const char* name) {
    const pugi::xpath_node found = document.select_node((std::string("//") + name).c_str());
    if (!found) return std::nullopt;
    return std::string(found.node().text().get());
}

} // namespace

std::optional<DeviceInfo> parseConnectionInfo(std::string_view xml) {
    pugi::xml_document document;
    // The main unit's texts are Shift-JIS; taking the bytes as they are keeps them exact.
    const auto result =
        document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) return std::nullopt;
    DeviceInfo info;
    info.firmwareVersion = firstElementText(document, "fw_ver");
    info.deviceType = firstElementText(document, "dev_type");
    info.password = firstElementText(document, "password");
    return info;
}

std::string buildFileList(int direction, std::string_view address, const std::vector<std::string>& fileList) {
    std::string text = "<root>\r\n<UD-TYPE>";
    text += direction == kDirectionRead ? "DOWNLOAD" : "UPLOAD";
    text += "</UD-TYPE>\r\n";
    for (const std::string& entry : fileList) {
        const ListRow* row = rowFor(entry);
        if (row == nullptr || upper(entry) != upper(row->name)) continue;
        text += "<";
        text += row->key;
        text += ">";
        text += address;
        text += "/";
        text += row->name;
        text += "</";
        text += row->key;
        text += ">\r\n";
    }
    text += "</root>\r\n";
    return text;
}

} // namespace rk::link
