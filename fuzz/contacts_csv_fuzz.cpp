// Arbitrary bytes as a contact list whose format is told by its content: the first byte picks
// whether a column map is given (bit 0) and the placement (bits 1..2); the rest is the file, read
// and placed into an empty common phonebook without storing.
#include "contacts/import.h"
#include "phonebook/phonebook.h"

#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static rk::contacts::ReadingMaker maker;
    static const std::unique_ptr<rk::Workspace> workspace = [] {
        auto fresh = std::make_unique<rk::Workspace>();
        rk::phonebook::setMemoryMode(*fresh, 1);
        rk::phonebook::clearSystemBook(*fresh, 1);
        return fresh;
    }();
    const std::uint8_t choice = data[0];
    rk::contacts::ImportOptions options;
    options.readings = rk::contacts::ReadingPolicy::Source;
    if (choice & 1) {
        std::string error;
        options.map = *rk::contacts::parseColumnMap(
            "name=name,reading=reading,number=number,group=group,company=company,mobile=mobile", error);
    }
    options.mode = (choice & 2) ? rk::contacts::PlacementMode::Update : rk::contacts::PlacementMode::Append;
    options.sortByReading = choice & 4;
    const rk::contacts::ContactSource sources[] = {
        {"fuzz.csv", std::string(reinterpret_cast<const char*>(data + 1), size - 1)}};
    const rk::contacts::ImportPlan plan = rk::contacts::previewImport(*workspace, sources, options, maker);
    for (const rk::contacts::ImportRow& row : plan.rows) {
        if (row.kanji.size() > 20 || row.kana.size() > 20) __builtin_trap();
        if (row.memory >= 600) __builtin_trap();
    }
    static_cast<void>(rk::contacts::importExitStatus(plan));
    return 0;
}
