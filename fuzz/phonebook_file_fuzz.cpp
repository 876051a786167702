// Arbitrary bytes as PC-side phonebook files and as sources of the main unit's page files. The
// first byte picks the kind (bit 0), the memory count (bit 1), the column order (bit 2), the page
// conversion (bit 3) and its separator flag (bit 4), and the write-read round trip (bits 5..7
// all set); the rest is the file.
//
// Every input is also loaded a second time with the load report listening, which must store
// exactly the same phonebook and header fields; the report is then built, summed up and compared
// with a reference phonebook.
#include "image/data_image.h"
#include "phonebook/load_report.h"
#include "phonebook/page_files.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/workspace.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <span>
#include <string>

namespace {

void reset(rk::Workspace& workspace, int mode) {
    workspace.image().memoryMode = static_cast<std::uint8_t>(mode);
    rk::phonebook::clearSystemBook(workspace, mode);
    rk::phonebook::clearTelephoneBooks(workspace, mode);
}

// A small phonebook in the given memory count, with what a spreadsheet's damage is measured by:
// numbers with leading zeros, names in both widths.
rk::Workspace& referenceFor(int mode) {
    static std::array<rk::Workspace, 2> references;
    static std::array<bool, 2> filled{};
    rk::Workspace& reference = references[static_cast<std::size_t>(mode - 1)];
    if (!filled[static_cast<std::size_t>(mode - 1)]) {
        filled[static_cast<std::size_t>(mode - 1)] = true;
        reset(reference, mode);
        for (int memory = 0; memory < 8; ++memory) {
            auto text = rk::phonebook::EntryText::make("0" + std::to_string(memory) + "12",
                                                       "\xD4\xCF\xC0\xDE", "\x82\x60\x82\x61", '1');
            static_cast<void>(rk::phonebook::storeSystemEntry(reference, memory, text));
            auto own = rk::phonebook::EntryText::make("00" + std::to_string(memory), "AB", "\xB1", 0);
            static_cast<void>(rk::phonebook::storeTelephoneEntry(reference, 101, 990 + memory, own));
        }
    }
    return reference;
}

std::array<std::string, 6> carriedFields(const rk::Workspace& workspace) {
    std::array<std::string, 6> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::span<const char> field = workspace.fileHeaderLine().field(i);
        fields[i].assign(field.data(), field.size());
    }
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static rk::Workspace workspace;
    static rk::image::PhonebookArea unobserved;

    const std::uint8_t choice = data[0];
    const std::span<const char> file(reinterpret_cast<const char*>(data + 1), size - 1);
    const int kind = (choice & 1) ? rk::phonebook::kMyPhonebookFile : rk::phonebook::kCommonPhonebookFile;
    const int mode = (choice & 2) ? 2 : 1;
    const int unitOrderFlag = (choice >> 2) & 1;

    rk::image::DataImage& image = workspace.image();
    reset(workspace, mode);
    rk::phonebook::parsePhonebookFile(workspace, kind, file, unitOrderFlag);

    // The report only listens: the same load with it stores the very same bytes.
    unobserved = image.workingCopy;
    const std::array<std::string, 6> unobservedFields = carriedFields(workspace);
    reset(workspace, mode);
    {
        rk::phonebook::LoadReport report(workspace, kind);
        rk::phonebook::parsePhonebookFile(workspace, kind, file, unitOrderFlag, &report);
        if (std::memcmp(image.workingCopy.data(), unobserved.data(), sizeof unobserved) != 0 ||
            carriedFields(workspace) != unobservedFields)
            __builtin_trap();
        report.finish();
        report.compareWith(referenceFor(mode));
        // Everything the command line shows of it.
        static volatile std::size_t shown = 0;
        shown = report.summaryText().size();
        for (const rk::phonebook::LoadFinding& finding : report.findings())
            shown = shown + rk::phonebook::memoryLabel(finding).size() + finding.value.size() +
                    finding.stored.size() + finding.reason.size();
    }

    // One input in eight also checks that whatever was stored writes out and reads back to the
    // same file (writing a whole file is the costly part of a run).
    if ((choice & 0xE0) == 0xE0) {
        std::tm time{};
        time.tm_year = 124; // a header line is recognised by its year's leading "2"
        const rk::phonebook::FileHeaderLine::Line header = workspace.fileHeaderLine().format(time);
        const std::string written =
            rk::phonebook::formatPhonebookFile(workspace, kind, header, unitOrderFlag);
        reset(workspace, mode);
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
