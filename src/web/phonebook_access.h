// The page values and the form target over today's process-wide phonebook operations. Every
// call of that global API from the web code is in phonebook_access.cpp, so that handing the
// workspace down changes this one file.
#pragma once

#include "phonebook/phonebook.h"
#include "web/form_target.h"
#include "web/page_value_source.h"

namespace rk::web {

// Loads from the backup copy while the duplicate check is on (that is where submitted entries
// go), from the working copy otherwise.
class PhonebookPageValues final : public PageValueSource {
public:
    bool systemEntry(int memory, phonebook::EntryText& text) override;
    bool telephoneEntry(int position, int memory, phonebook::EntryText& text) override;
    image::DataImage& image() override;
};

// With the duplicate check on, the checked stores into the backup copy, which count duplicates;
// otherwise the plain stores into the working copy.
class PhonebookFormTarget final : public FormTarget {
public:
    void clearDuplicateReport() override;
    void storeSystemEntry(int memory, phonebook::EntryText& text) override;
    void storeTelephoneEntry(int position, int memory, phonebook::EntryText& text) override;
    image::DataImage& image() override;

    // What the checked stores found since the last clearDuplicateReport.
    const phonebook::DuplicateReport& duplicateReport() const;
};

} // namespace rk::web
