// The program's own phonebook files as a contact list: every memory in use becomes a contact with
// its names (the kana name as its reading), its number and, from a common phonebook, its group.
#pragma once

#include "contacts/contact.h"

#include <optional>
#include <string_view>
#include <vector>

namespace rk::contacts {

struct PhonebookFileShape {
    int kind = 0;          // 1 common, 2 my phonebook
    int unitOrderFlag = 0; // 1: the main unit's column order (kanji name first)
};

// What a file's column header (after the header line, if any) says it is; nullopt when it is
// not a phonebook file.
std::optional<PhonebookFileShape> phonebookFileShape(std::string_view bytes);

// The memories in use, loaded as the file load does, numbered by their record line from 1.
std::vector<Contact> readPhonebookContacts(std::string_view bytes, const PhonebookFileShape& shape,
                                           std::string_view sourceName);

} // namespace rk::contacts
