#include "web/script_text.h"

#include "platform/text.h"

namespace rk::web {
namespace {

void appendHexEscape(std::string& out, unsigned char byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
}

} // namespace

void appendScriptString(std::string& out, std::string_view value) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (text::isLeadByte(byte)) {
            if (i + 1 < value.size() && text::isTrailByte(static_cast<unsigned char>(value[i + 1]))) {
                out += value[i];
                out += value[++i];
            } else {
                // Alone, the lead byte would take the next byte of the script (our own
                // backslash, say) as its second half.
                appendHexEscape(out, byte);
            }
        } else if (byte == '"' || byte == '\\') {
            out += '\\';
            out += value[i];
        } else if (byte < 0x20 || byte == 0x7F || byte == '<') {
            appendHexEscape(out, byte);
        } else {
            out += value[i];
        }
    }
}

} // namespace rk::web
