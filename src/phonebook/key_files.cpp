#include "phonebook/key_files.h"

#include "platform/file_writer.h"

#include <array>
#include <cstdio>

namespace rk::phonebook {
namespace {

using image::KeyKind;

constexpr std::array<KeyFile, 9> kKeyFiles = {{
    {"one-touch101.txt", KeyKind::OneTouch, 101, 152},
    {"one-touch153.txt", KeyKind::OneTouch, 153, 200},
    {"nandemo.txt", KeyKind::Anything, 101, 200},
    {"nandemo101.txt", KeyKind::Anything, 101, 116},
    {"nandemo117.txt", KeyKind::Anything, 117, 132},
    {"nandemo133.txt", KeyKind::Anything, 133, 152},
    {"nandemo153.txt", KeyKind::Anything, 153, 164},
    {"nandemo165.txt", KeyKind::Anything, 165, 180},
    {"nandemo181.txt", KeyKind::Anything, 181, 200},
}};

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
}

// The part that the one-touch converter turns back into this setting: "-T1" goes between the
// first and second "@", ",T2" between the second and third.
std::string oneTouchTokens(std::string_view setting) {
    std::string_view flag;
    std::string_view text;
    if (setting.starts_with('-')) {
        const std::size_t comma = setting.find(',');
        flag = setting.substr(1, comma == std::string_view::npos ? std::string_view::npos : comma - 1);
        if (comma != std::string_view::npos) text = setting.substr(comma + 1);
    } else if (setting.starts_with(',')) {
        text = setting.substr(1);
    }
    std::string tokens(flag);
    tokens += '@';
    tokens += text;
    tokens += '@';
    return tokens;
}

// "n" alone ends the part at the first "@"; "n_T" carries T, whose "<" and ">" the main unit
// writes as "(" and ")".
std::string anythingTokens(std::string_view setting) {
    if (!setting.starts_with("n_")) return {};
    std::string tokens;
    for (char c : setting.substr(2)) tokens += c == '<' ? '(' : c == '>' ? ')' : c;
    tokens += '@';
    return tokens;
}

} // namespace

std::span<const KeyFile> keyFiles() {
    return kKeyFiles;
}

std::string keyFileText(const image::DataImage& image, const KeyFile& file) {
    const char* element = file.kind == KeyKind::OneTouch ? "i92" : "i14";
    std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<root>\n<";
    text += element;
    text += ">\n";
    for (int position = file.firstPosition; position <= file.lastPosition; ++position) {
        for (int keyNumber = 0; keyNumber < image::kKeyNumberCount; ++keyNumber) {
            const image::KeySetting* setting = image::keySetting(image, file.kind, position, keyNumber);
            if (setting == nullptr || setting->programmed == 0) continue;
            char head[16];
            std::snprintf(head, sizeof head, "%03d_%02d@", position, keyNumber);
            std::string part(head);
            const std::string_view stored = image::settingText(*setting);
            part += file.kind == KeyKind::OneTouch ? oneTouchTokens(stored) : anythingTokens(stored);
            appendEscaped(text, part);
            text += ",\n";
        }
    }
    text += "</";
    text += element;
    text += ">\n</root>\n";
    return text;
}

int writeKeyFiles(const image::DataImage& image, const std::filesystem::path& directory) {
    int result = 1;
    for (const KeyFile& file : kKeyFiles)
        if (!platform::replaceFile(directory / file.name, keyFileText(image, file))) result = 0;
    return result;
}

} // namespace rk::phonebook
