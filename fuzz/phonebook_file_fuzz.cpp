// Arbitrary bytes as PC-side phonebook files and as sources of the main unit's page files. The
// first byte picks the kind (bit 0), the memory count (bit 1), the column order (bit 2), the page
// conversion (bit 3) and its separator flag (bit 4), and the write-read round trip (bits 5..7
// all set); the rest is the file.
#include "image/data_image.h"
#include "phonebook/page_files.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/workspace.h"

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static rk::Workspace workspace;

    const std::uint8_t choice = data[0];
    const std::span<const char> file(reinterpret_cast<const char*>(data + 1), size - 1);
    const int kind = (choice & 1) ? rk::phonebook::kMyPhonebookFile : rk::phonebook::kCommonPhonebookFile;
    const int mode = (choice & 2) ? 2 : 1;
    const int unitOrderFlag = (choice >> 2) & 1;

    rk::image::DataImage& image = workspace.image();
    image.memoryMode = static_cast<std::uint8_t>(mode);
    rk::phonebook::clearSystemBook(workspace, mode);
    rk::phonebook::clearTelephoneBooks(workspace, mode);

    rk::phonebook::parsePhonebookFile(workspace, kind, file, unitOrderFlag);

    // One input in eight also checks that whatever was stored writes out and reads back to the
    // same file (writing a whole file is the costly part of a run).
    if ((choice & 0xE0) == 0xE0) {
        std::tm time{};
        time.tm_year = 124; // a header line is recognised by its year's leading "2"
        const rk::phonebook::FileHeaderLine::Line header = workspace.fileHeaderLine().format(time);
        const std::string written =
            rk::phonebook::formatPhonebookFile(workspace, kind, header, unitOrderFlag);
        rk::phonebook::clearSystemBook(workspace, mode);
        rk::phonebook::clearTelephoneBooks(workspace, mode);
        rk::phonebook::parsePhonebookFile(workspace, kind, written, unitOrderFlag);
        if (rk::phonebook::formatPhonebookFile(workspace, kind, header, unitOrderFlag) != written)
            __builtin_trap();
    }

    if (choice & 8) {
        rk::phonebook::mainUnitSystemPages(file, choice & 16);
        rk::phonebook::mainUnitTelephonePages(file, choice & 16);
    }
    return 0;
}
