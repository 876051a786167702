// Arbitrary element texts of a read as one-touch keys, anything keys and a data-set item. Besides
// memory safety it checks that every full record keeps the template's fixed columns, and that
// the keys the store took come back unchanged through the page files written for the main unit.
#include "image/data_image.h"
#include "image/key_store.h"
#include "phonebook/dataset_conversion.h"
#include "phonebook/key_conversion.h"
#include "phonebook/key_files.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace rk;

// Items whose commands take a special path: defaults, sub-fields, the station field, four digits.
constexpr int kItems[] = {83, 163, 164, 9419, 831, 180, 1, 81, 120, 9100, 9112, 9290, 500, 0, 299, 999};

rk::image::DataImage& freshImage(std::unique_ptr<rk::image::DataImage>& image) {
    if (!image) {
        image = std::make_unique<rk::image::DataImage>();
        rk::image::initialiseImage(*image);
    }
    // The same as clearKeys, without an instrumented loop over every slot on each input.
    std::memset(static_cast<void*>(&image->keys), 0, sizeof image->keys);
    return *image;
}

void checkRecords(const std::string& body, std::string_view marker) {
    std::size_t start = 0;
    for (std::size_t end; (end = body.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string_view record(body.data() + start, end - start);
        if (record.size() > phonebook::kKeyRecordSize) __builtin_trap();
        if (record.size() != phonebook::kKeyRecordSize) continue; // ended early by a zero byte
        for (std::size_t column : {0u, 16u, 96u})
            if (record.substr(column, 4) != marker || record[column + 7] != '#' || record[column + 10] != '-')
                __builtin_trap();
        if (record[36] != 'c' || record[65] != ',') __builtin_trap();
    }
}

// The element text of a page file as an XML reader would hand it over.
std::string elementText(const std::string& file, std::string_view name) {
    const std::string open = "<" + std::string(name) + ">";
    const std::size_t start = file.find(open) + open.size();
    const std::size_t end = file.rfind("</" + std::string(name) + ">");
    std::string text;
    for (std::size_t i = start; i < end; ++i) {
        if (file.compare(i, 5, "&amp;") == 0)
            text += '&', i += 4;
        else if (file.compare(i, 4, "&lt;") == 0)
            text += '<', i += 3;
        else if (file.compare(i, 4, "&gt;") == 0)
            text += '>', i += 3;
        else
            text += file[i];
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<rk::image::DataImage> image;
    static std::unique_ptr<rk::image::DataImage> readBack;
    if (size < 2) return 0;
    const int selector = data[0];
    const int item =
        selector < 128 ? kItems[data[1] % std::size(kItems)] : ((selector << 8 | data[1]) % 10100) - 50;
    const int fwIs501 = selector & 1;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

    rk::image::DataImage& keys = freshImage(image);
    checkRecords(phonebook::convertOneTouchKeys(keys, text), "i92=");
    checkRecords(phonebook::convertAnythingKeys(keys, text), "i14=");

    std::string commands;
    const std::string last = phonebook::convertDataSetItem(keys, item, text, fwIs501, commands);
    if (!last.empty() && (last.front() != '*' || last.back() != '#')) __builtin_trap();

    // Whatever the store took must survive a write and a read. Most inputs program no key; the
    // page files are only worth building when one was.
    static const auto noKeys = std::make_unique<rk::image::KeyTable>();
    if (std::memcmp(&keys.keys, noKeys.get(), sizeof keys.keys) == 0) return 0;
    rk::image::DataImage& again = freshImage(readBack);
    for (const phonebook::KeyFile& file : phonebook::keyFiles()) {
        if (file.name != "one-touch101.txt" && file.name != "one-touch153.txt" && file.name != "nandemo.txt")
            continue;
        const std::string page = phonebook::keyFileText(keys, file);
        if (file.kind == rk::image::KeyKind::OneTouch)
            phonebook::convertOneTouchKeys(again, elementText(page, "i92"));
        else
            phonebook::convertAnythingKeys(again, elementText(page, "i14"));
    }
    if (std::memcmp(&again.keys, &keys.keys, sizeof keys.keys) != 0) __builtin_trap();
    return 0;
}
