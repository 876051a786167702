#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace rk::text {
namespace {

// One converter per direction and thread: iconv descriptors carry shift state and are not
// safe to share between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts input; on an unconvertible or malformed sequence calls onBad(output, input),
    // which either appends a substitute and returns how many input bytes to skip, or returns 0
    // to give up.
    template <typename OnBad> bool convert(std::string_view input, std::string& output, OnBad onBad) {
        if (!valid()) return false;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        output.clear();
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<size_t>(out - buffer));
            if (result != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence at the end).
            size_t skip = onBad(output, std::string_view(in, inLeft));
            if (skip == 0 || skip > inLeft) return false;
            in += skip;
            inLeft -= skip;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        iconv(handle_, nullptr, nullptr, &out, &outLeft);
        output.append(buffer, static_cast<size_t>(out - buffer));
        return true;
    }

private:
    iconv_t handle_;
};

Converter& toCp932Converter() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& fromCp932Converter() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t utf8SequenceLength(unsigned char byte) {
    if (byte >= 0xF0 && byte <= 0xF4) return 4;
    if (byte >= 0xE0) return byte <= 0xEF ? 3 : 1;
    if (byte >= 0xC2) return 2;
    return 1;
}

} // namespace

Utf8Character firstUtf8Character(std::string_view utf8) {
    Utf8Character character;
    if (utf8.empty()) return character;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned lead = byte(0);
    const size_t expected = utf8SequenceLength(static_cast<unsigned char>(lead));
    character.length = 1;
    while (character.length < expected && character.length < utf8.size() &&
           (byte(character.length) & 0xC0) == 0x80)
        ++character.length;
    char32_t codePoint = expected == 1 ? lead : lead & (0x7Fu >> expected);
    for (size_t i = 1; i < character.length; ++i) codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000}; // no overlong forms
    character.wellFormed = character.length == expected && (lead < 0x80 || expected > 1) &&
                           codePoint >= kSmallest[expected] && codePoint <= 0x10FFFF &&
                           (codePoint < 0xD800 || codePoint > 0xDFFF);
    character.codePoint = character.wellFormed ? codePoint : 0xFFFD;
    return character;
}

std::string toCp932WithBlanks(std::string_view utf8, std::vector<BlankedCharacter>* blanked) {
    std::string output;
    toCp932Converter().convert(utf8, output, [blanked](std::string& out, std::string_view rest) {
        const size_t length = firstUtf8Character(rest).length;
        if (blanked != nullptr) blanked->push_back({out.size(), std::string(rest.substr(0, length))});
        out.push_back(' ');
        return length;
    });
    return output;
}

std::optional<std::string> tryToCp932(std::string_view utf8) {
    std::string output;
    if (!toCp932Converter().convert(utf8, output, [](std::string&, std::string_view) { return size_t{0}; }))
        return std::nullopt;
    return output;
}

std::string toCp932(std::string_view utf8) {
    std::string output;
    toCp932Converter().convert(utf8, output, [](std::string& out, std::string_view rest) {
        out.push_back('?');
        size_t length = utf8SequenceLength(static_cast<unsigned char>(rest.front()));
        return length <= rest.size() ? length : rest.size();
    });
    return output;
}

std::string cp932ToUtf8(std::string_view cp932) {
    // ASCII reads the same in both, and most texts shown are: no converter call for them.
    if (std::all_of(cp932.begin(), cp932.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(cp932);
    std::string output;
    fromCp932Converter().convert(cp932, output, [](std::string& out, std::string_view rest) {
        out.append("\xEF\xBF\xBD");
        // A lead byte swallows its partner only when that partner could be a trail byte, so
        // that a stray lead byte does not take a line feed or a comma with it.
        bool pair = rest.size() >= 2 && isLeadByte(static_cast<unsigned char>(rest[0])) &&
                    isTrailByte(static_cast<unsigned char>(rest[1]));
        return size_t{pair ? 2u : 1u};
    });
    return output;
}

} // namespace rk::text
