// A contact as the readers find it in a contact list, before anything is made of it for the
// phonebook. Texts are UTF-8, as the lists give them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rk::contacts {

enum class NumberKind { Mobile, Work, Home, Other, Fax };

struct ContactNumber {
    NumberKind kind = NumberKind::Other;
    std::string text; // as given
    // Already as the main unit dials it (from a phonebook file): taken as it is, dialling
    // characters such as P and - included.
    bool dialable = false;
};

// A part of the name with the reading the contact gives for it (empty when none).
struct NamePart {
    std::string text;
    std::string reading;
};

struct Contact {
    std::string source; // the file's name
    int record = 0;     // 1-based within its file

    NamePart family;
    NamePart given;
    NamePart organisation;
    // The whole name when the list has no parts (a vCard's FN, a spreadsheet's name column, a
    // phonebook entry), and a reading of the whole name (SORT-STRING, a reading given in one
    // piece) when the parts have none of their own.
    NamePart fullName;

    std::vector<ContactNumber> numbers;

    // A group for the common phonebook from the list (a mapped column or a phonebook file).
    std::optional<int> group;

    // What the reader had to do with this contact (a charset it could not decode, a group it
    // could not read), for its report.
    std::vector<std::string> notes;
};

// "mobile", "work", "home", "other", "fax".
const char* numberKindName(NumberKind kind);

} // namespace rk::contacts
