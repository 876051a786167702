// Data scripts for arbitrary page keys and parameters over a phonebook and key table that hold
// quotation marks, backslashes, control bytes and Shift-JIS characters whose second byte is a
// backslash. Input: byte 0 bit 0 chooses the 990-memory count, bit 1 the duplicate check, bit 2
// whether there is a parameter; then the page key up to the first LF and the parameter after
// it. Checked: a script is empty or complete, fits its buffer, and its values array reads back
// as whole strings the way a Shift-JIS browser reads them.
#include "image/data_image.h"
#include "image/key_store.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "web/data_script.h"
#include "web/phonebook_access.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

namespace {

rk::Workspace& workspace() {
    static rk::Workspace instance;
    return instance;
}

using namespace rk;

void check(bool condition) {
    if (!condition) std::abort();
}

bool isLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
bool isTrail(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// The values array: quoted strings separated by ',' up to "];". Inside a string a backslash
// escapes the next byte, a lead byte takes a valid second byte with it (a browser decodes a lead
// byte before an ASCII byte as an error and reads the ASCII byte again), and no raw control
// byte appears.
void checkValues(std::string_view script) {
    const std::size_t start = script.find("arVals=[");
    check(start != std::string_view::npos);
    std::size_t at = start + 8;
    if (script.substr(at, 2) == "];") return;
    check(script.substr(at, 2) == " \"");
    ++at;
    for (;;) {
        check(at < script.size() && script[at] == '"');
        ++at;
        for (;;) {
            check(at < script.size());
            const auto byte = static_cast<unsigned char>(script[at]);
            check(byte >= 0x20 && byte != 0x7F);
            if (isLead(byte) && at + 1 < script.size() &&
                isTrail(static_cast<unsigned char>(script[at + 1]))) {
                at += 2;
            } else if (byte == '\\') {
                at += 2;
            } else if (byte == '"') {
                ++at;
                break;
            } else {
                ++at;
            }
        }
        if (script.substr(at, 2) == "];") return;
        check(at < script.size() && script[at] == ',');
        ++at;
    }
}

struct Images {
    std::unique_ptr<image::DataImage> book600 = std::make_unique<image::DataImage>();
    std::unique_ptr<image::DataImage> book990 = std::make_unique<image::DataImage>();

    static void fill() {
        const auto system = [](int memory, const char* number, const char* kana, const char* kanji) {
            phonebook::EntryText text = phonebook::EntryText::make(number, kana, kanji, '3');
            phonebook::storeSystemEntry(workspace(), memory, text);
        };
        system(0, "0312345678", "\xC6\xCE\xDD", "\x93\xFA\x96\x7B");
        system(1, "*#P-", "a\x01", "\x83\x5C\x83\x5C");
        system(599, "1", "", "b\x82");
        system(989, "2", "", "\x95\x5C");
        phonebook::EntryText text = phonebook::EntryText::make("55", "x", "\x83\x5C");
        phonebook::storeTelephoneEntry(workspace(), 101, 999, text);
        phonebook::commitBackup(workspace());
        image::DataImage& image = workspace().image();
        image::programKey(image, "i14_101_00n_a\"b\\c\x83\x5C\x83\x5C");
        image::programKey(image, "i92_101_00-\",\\\\\\");
        image::programKey(image, "i92_101_01-B,123");
    }

    Images() {
        image::DataImage& image = workspace().image();
        image::initialiseImage(image);
        fill();
        *book600 = image;
        image::initialiseImage(image);
        image.memoryMode = 2;
        phonebook::clearSystemBook(workspace(), 2);
        phonebook::clearTelephoneBooks(workspace(), 2);
        fill();
        *book990 = image;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Images images;
    if (size == 0) return 0;
    image::DataImage& image = workspace().image();
    // Scripts only show; the consoles are all they change, so the image is set up once per count.
    if (((data[0] & 1) != 0) != (image.memoryMode == 2))
        image = (data[0] & 1) ? *images.book990 : *images.book600;
    workspace().flags().dupCheckEnabled = (data[0] & 2) ? 1 : 0;

    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t newline = input.find('\n');
    const std::string_view key = input.substr(0, newline);
    std::optional<std::string_view> parameter;
    if ((data[0] & 4) != 0)
        parameter = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    web::PhonebookPageValues values(workspace());
    const std::string script = web::generateDataScript(key, parameter, values);
    if (script.empty()) return 0;
    check(script.size() <= web::kScriptCapacity);
    check(script.starts_with("<!--\r\n") && script.ends_with("];\r\n//-->"));
    checkValues(script);
    return 0;
}
