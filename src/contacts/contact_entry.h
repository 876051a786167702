// What a contact becomes in the phonebook: its kanji display name, its reading and its dialable
// numbers, each with the steps that made it so.
#pragma once

#include "contacts/contact.h"
#include "contacts/dial_number.h"
#include "contacts/import_options.h"
#include "contacts/reading_maker.h"

#include <string>
#include <vector>

namespace rk::contacts {

enum class KanaSource { Contact, Made, None };

struct EntryName {
    std::string kanji; // CP932, at most 20 bytes
    std::string kana;  // CP932 half-width, at most 20 bytes
    KanaSource kanaSource = KanaSource::None;
    std::vector<std::string> kanaCandidates; // CP932, best (the kana taken) first; only when made
    std::vector<std::string> changes;        // UTF-8
};

// The names of a contact by the template ({family}, {given}, {company}; the organisation when the
// contact has no person name). The reading of each part is the contact's own where it has one
// (with ReadingPolicy::Source and Auto), otherwise made (Auto only); parts next to each other are
// read with a blank between them. The maker is only asked when a reading must be made.
EntryName makeEntryName(const Contact& contact, const ImportOptions& options, ReadingMaker& maker);

struct EntryNumber {
    NumberKind kind = NumberKind::Other;
    std::string given; // UTF-8, as the contact has it
    DialNumber dial;
};

struct NumberChoice {
    // The numbers that become entries: one (the first of the chosen kinds that is valid, or else
    // the first, invalid), or with allNumbers every number of the chosen kinds. None: the contact
    // has no number of those kinds.
    std::vector<EntryNumber> numbers;
    std::vector<std::string> changes; // numbers passed over, and why
};

NumberChoice chooseNumbers(const Contact& contact, const ImportOptions& options);

} // namespace rk::contacts
