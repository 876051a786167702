// What the form decoder and the stores make of submitted edit pages, for the node test that holds
// the pages' field rules against them. Each line of standard input is one urlencoded body; each
// line of standard output is a JSON object that gives, for every entry the body names (by its
// name prefix, "s000n"), the number, kanji name and kana name as the page's data script would
// read them back, in hexadecimal bytes. Bodies are decoded in the 600-memory count, once with the
// duplicate check off and once with it on; the two must store the same.
#include "phonebook/page_rules.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "web/form_decoder.h"
#include "web/phonebook_access.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace rk;

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char byte : bytes) {
        text += digits[static_cast<unsigned char>(byte) >> 4];
        text += digits[static_cast<unsigned char>(byte) & 15];
    }
    return text;
}

// The entries a body names, by name prefix, in the order they first appear.
std::vector<std::pair<std::string, phonebook::FieldAddress>> entriesOf(std::string_view body) {
    std::vector<std::pair<std::string, phonebook::FieldAddress>> entries;
    while (!body.empty()) {
        const std::size_t ampersand = body.find('&');
        const std::string_view pair = body.substr(0, ampersand);
        const std::string_view name = pair.substr(0, pair.find('='));
        if (const auto address = phonebook::fieldAddressOf(name)) {
            const std::string prefix(name.substr(0, name.size() - 1));
            bool known = false;
            for (const auto& entry : entries) known = known || entry.first == prefix;
            if (!known) entries.emplace_back(prefix, *address);
        }
        if (ampersand == std::string_view::npos) break;
        body.remove_prefix(ampersand + 1);
    }
    return entries;
}

nlohmann::json stored(Workspace& workspace, std::string_view body, int dupCheck) {
    phonebook::setMemoryMode(workspace, 1);
    phonebook::clearSystemBook(workspace, 1);
    phonebook::clearTelephoneBooks(workspace, 1);
    phonebook::commitBackup(workspace);
    workspace.flags().dupCheckEnabled = dupCheck;
    web::PhonebookFormTarget target(workspace);
    web::ApplySubmittedForm(body, target);
    web::PhonebookPageValues values(workspace);
    nlohmann::json entries = nlohmann::json::object();
    for (const auto& [prefix, address] : entriesOf(body)) {
        phonebook::EntryText text;
        const bool exists = address.kind == phonebook::PageKind::System
                                ? values.systemEntry(address.memory, text)
                                : values.telephoneEntry(address.position, address.memory, text);
        if (!exists) continue;
        entries[prefix] = {hex(text.numberText()), hex(text.kanjiText()), hex(text.kanaText())};
    }
    return entries;
}

} // namespace

int main() {
    auto workspace = std::make_unique<Workspace>();
    std::string body;
    while (std::getline(std::cin, body)) {
        const nlohmann::json plain = stored(*workspace, body, 0);
        if (stored(*workspace, body, 1) != plain) {
            std::cerr << "stored_fields: the duplicate check changes what is stored for: " << body << "\n";
            return 1;
        }
        std::cout << plain.dump() << "\n";
    }
    return 0;
}
