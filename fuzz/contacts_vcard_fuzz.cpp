// Arbitrary bytes as a vCard file, and every card read made into phonebook entries: the kanji
// name, the reading (the contact's own; readings are made with MeCab for one input in eight) and
// the numbers.
#include "contacts/contact_entry.h"
#include "contacts/vcard_reader.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static rk::contacts::ReadingMaker maker;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static_cast<void>(rk::contacts::looksLikeVCard(bytes));
    rk::contacts::ImportOptions options;
    options.readings =
        size % 8 == 0 ? rk::contacts::ReadingPolicy::Auto : rk::contacts::ReadingPolicy::Source;
    options.allNumbers = size % 2 == 0;
    options.nameTemplate = "{company} {family}{given}";
    for (const rk::contacts::Contact& contact : rk::contacts::readVCards(bytes, "fuzz.vcf")) {
        const rk::contacts::EntryName name = rk::contacts::makeEntryName(contact, options, maker);
        if (name.kanji.size() > 20 || name.kana.size() > 20) __builtin_trap();
        for (const rk::contacts::EntryNumber& number : rk::contacts::chooseNumbers(contact, options).numbers)
            if (number.dial.dialable.size() > 24) __builtin_trap();
    }
    return 0;
}
