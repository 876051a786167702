#include "contacts/unicode.h"

#include "platform/text.h"

#include <cerrno>
#include <iconv.h>

namespace rk::contacts {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& character : result)
        if (character >= 'a' && character <= 'z') character = static_cast<char>(character - 'a' + 'A');
    return result;
}

// iconv into UTF-8; false on an unknown charset or bytes that do not convert.
bool convertWithIconv(std::string_view bytes, const std::string& charset, std::string& output) {
    iconv_t handle = iconv_open("UTF-8", charset.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) return false;
    output.clear();
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    bool converted = true;
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            converted = false;
            break;
        }
    }
    iconv_close(handle);
    return converted;
}

} // namespace

Utf8Character decodeUtf8(std::string_view text) {
    // The platform's decoding; a walk here steps over a malformed sequence one byte at a time.
    const text::Utf8Character character = text::firstUtf8Character(text);
    if (!character.wellFormed) return {kReplacement, 1};
    return {character.codePoint, character.length};
}

void appendUtf8(std::string& text, char32_t codePoint) {
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

bool isValidUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const Utf8Character character = decodeUtf8(text.substr(at));
        // A real U+FFFD takes three bytes; the stand-in for a malformed sequence takes one.
        if (character.codePoint == kReplacement && character.length == 1) return false;
        at += character.length;
    }
    return true;
}

std::optional<std::string> decodeCharset(std::string_view bytes, std::string_view charset) {
    const std::string name = upper(charset);
    if (name == "UTF-8" || name == "UTF8") {
        if (!isValidUtf8(bytes)) return std::nullopt;
        return std::string(bytes);
    }
    if (name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "SJIS" || name == "CP932" || name == "MS932" ||
        name == "WINDOWS-31J" || name == "MS_KANJI" || name == "X-SJIS") {
        std::string output;
        if (!convertWithIconv(bytes, "CP932", output)) return std::nullopt;
        return output;
    }
    std::string output;
    if (!convertWithIconv(bytes, name, output)) return std::nullopt;
    return output;
}

std::string decodeUnlabelled(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        std::string output;
        if (convertWithIconv(bytes, "UTF-16", output)) return output;
    }
    if (isValidUtf8(bytes)) return std::string(bytes);
    return text::cp932ToUtf8(bytes);
}

std::string_view trimBlanks(std::string_view text) {
    constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
    const auto isBlank = [](char character) {
        return character == ' ' || character == '\t' || character == '\r' || character == '\n';
    };
    for (;;) {
        if (!text.empty() && isBlank(text.front()))
            text.remove_prefix(1);
        else if (text.starts_with(kIdeographicSpace))
            text.remove_prefix(kIdeographicSpace.size());
        else
            break;
    }
    for (;;) {
        if (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
        else if (text.ends_with(kIdeographicSpace))
            text.remove_suffix(kIdeographicSpace.size());
        else
            break;
    }
    return text;
}

std::size_t findBlank(std::string_view text) {
    const std::size_t ascii = text.find(' ');
    const std::size_t ideographic = text.find("\xE3\x80\x80");
    return ascii < ideographic ? ascii : ideographic;
}

} // namespace rk::contacts
