#include "contacts/phonebook_source.h"

#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/text.h"

#include <memory>

namespace rk::contacts {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::size_t kHeaderLineBytes = 192;
constexpr int kMemoriesPerPosition = 20;

} // namespace

std::optional<PhonebookFileShape> phonebookFileShape(std::string_view bytes) {
    std::string converted;
    if (bytes.starts_with(kUtf8Mark)) {
        const std::string_view start = bytes.substr(kUtf8Mark.size(), 4 * kHeaderLineBytes);
        converted = text::toCp932WithBlanks(start, nullptr);
        bytes = converted;
    }
    // A header line is recognised by its first byte, as the file load does.
    if (bytes.starts_with('2')) bytes.remove_prefix(std::min(bytes.size(), kHeaderLineBytes));
    const std::string_view header = bytes.substr(0, bytes.find("\r\n"));
    if (header == phonebook::commonColumnHeader(0))
        return PhonebookFileShape{phonebook::kCommonPhonebookFile, 0};
    if (header == phonebook::commonColumnHeader(1))
        return PhonebookFileShape{phonebook::kCommonPhonebookFile, 1};
    if (header == phonebook::myPhonebookColumnHeader())
        return PhonebookFileShape{phonebook::kMyPhonebookFile, 0};
    return std::nullopt;
}

std::vector<Contact> readPhonebookContacts(std::string_view bytes, const PhonebookFileShape& shape,
                                           std::string_view sourceName) {
    // The larger layout of each book, so that every record line of the file is read.
    auto workspace = std::make_unique<Workspace>();
    const bool common = shape.kind != phonebook::kMyPhonebookFile;
    const int mode = common ? 2 : 1;
    phonebook::setMemoryMode(*workspace, mode);
    phonebook::clearSystemBook(*workspace, mode);
    phonebook::clearTelephoneBooks(*workspace, mode);
    phonebook::parsePhonebookFile(*workspace, shape.kind, {bytes.data(), bytes.size()}, shape.unitOrderFlag);

    std::vector<Contact> contacts;
    const auto take = [&](const phonebook::EntryText& entry, int record, std::optional<int> group) {
        const std::string number = entry.numberText();
        if (number.empty() && entry.kanjiText().empty() && entry.kanaText().empty()) return;
        Contact contact;
        contact.source = std::string(sourceName);
        contact.record = record;
        contact.fullName = {text::cp932ToUtf8(entry.kanjiText()), text::cp932ToUtf8(entry.kanaText())};
        if (!number.empty()) contact.numbers.push_back({NumberKind::Other, number, true});
        contact.group = group;
        contacts.push_back(std::move(contact));
    };
    if (common) {
        for (int memory = 0; memory < 990; ++memory) {
            phonebook::EntryText entry;
            if (phonebook::loadSystemEntry(*workspace, memory, entry))
                take(entry, memory + 1, entry.group - '0');
        }
    } else {
        for (int position = phonebook::kFirstPhonebookPosition; position <= phonebook::kLastPhonebookPosition;
             ++position) {
            for (int offset = 0; offset < kMemoriesPerPosition; ++offset) {
                phonebook::EntryText entry;
                if (phonebook::loadTelephoneEntry(*workspace, position, 980 + offset, entry))
                    take(entry,
                         (position - phonebook::kFirstPhonebookPosition) * kMemoriesPerPosition + offset + 1,
                         std::nullopt);
            }
        }
    }
    return contacts;
}

} // namespace rk::contacts
