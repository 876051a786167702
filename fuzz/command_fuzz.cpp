// Arbitrary key sequences on a keypad console. The first byte picks the console (1..216); every
// further byte is a key, with 0x01..0x03 standing for the three special keys. Checked after
// every key: the console's text stays within its 27 characters and the display offset matches
// it; and whenever a "#" ends in the error mark, nothing outside the consoles and their control
// block has changed. The whole input is also run as one command string on a second image, which
// must return nothing exactly when its display holds "--P".
#include "image/command_engine.h"
#include "image/digit_codec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

using rk::image::ConsoleRecord;
using rk::image::DataImage;
namespace console = rk::image::console;

constexpr std::size_t kProgrammedStart = offsetof(DataImage, consoles) + sizeof(DataImage::consoles);
constexpr std::size_t kProgrammedSize = sizeof(DataImage) - kProgrammedStart;

const std::uint8_t* programmed(const DataImage& image) {
    return reinterpret_cast<const std::uint8_t*>(&image) + kProgrammedStart;
}

void check(bool condition) {
    if (!condition) std::abort();
}

bool showsMark(const ConsoleRecord& record) {
    const char first = static_cast<char>(record[console::kText]);
    const char second = static_cast<char>(record[console::kText + 1]);
    const char third = static_cast<char>(record[console::kText + 2]);
    return first == '-' && second == '-' && (third == 'P' || third == 'c');
}

void checkConsole(const ConsoleRecord& record) {
    const std::size_t length = record[console::kTextLength];
    check(length <= console::kTextCapacity);
    const std::size_t offset = record[console::kDisplayOffset];
    check(offset == (length > console::kVisibleCharacters ? length - console::kVisibleCharacters : 0));
}

std::uint16_t keyOf(std::uint8_t byte) {
    switch (byte) {
    case 1:
        return rk::image::kKeySpecial1;
    case 2:
        return rk::image::kKeySpecial2;
    case 3:
        return rk::image::kKeySpecial3;
    default:
        return byte;
    }
}

struct Images {
    std::unique_ptr<DataImage> pristine = std::make_unique<DataImage>();
    std::unique_ptr<DataImage> keyed = std::make_unique<DataImage>();
    std::unique_ptr<DataImage> whole = std::make_unique<DataImage>();
    std::unique_ptr<std::uint8_t[]> before = std::make_unique<std::uint8_t[]>(kProgrammedSize);

    Images() { rk::image::initialiseImage(*pristine); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Images images;
    if (size == 0) return 0;
    *images.keyed = *images.pristine;
    *images.whole = *images.pristine;

    const int consoleNumber = 1 + data[0] % static_cast<int>(rk::image::kConsoleCount);
    DataImage& image = *images.keyed;
    ConsoleRecord& record = image.consoles[static_cast<std::size_t>(consoleNumber - 1)];
    for (std::size_t i = 1; i < size; ++i) {
        const std::uint16_t key = keyOf(data[i]);
        const bool mayRunHandler = key == '#';
        if (mayRunHandler) std::memcpy(images.before.get(), programmed(image), kProgrammedSize);
        const bool markedBefore = showsMark(record);
        rk::image::pressKey(image, consoleNumber, key);
        checkConsole(record);
        if (mayRunHandler && !markedBefore && showsMark(record))
            check(std::memcmp(images.before.get(), programmed(image), kProgrammedSize) == 0);
    }

    const std::string_view command(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto result = rk::image::executeCommandString(*images.whole, consoleNumber, command);
    const ConsoleRecord& wholeRecord = images.whole->consoles[static_cast<std::size_t>(consoleNumber - 1)];
    checkConsole(wholeRecord);
    const bool errorP = wholeRecord[console::kText] == '-' && wholeRecord[console::kText + 1] == '-' &&
                        wholeRecord[console::kText + 2] == 'P';
    check(result.has_value() != errorP);
    return 0;
}
