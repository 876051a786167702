// The page values and the form target over a workspace: the phonebook operations on its copies,
// its data image for the data-set and key fields.
#pragma once

#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "web/form_target.h"
#include "web/page_value_source.h"

namespace rk::web {

// Loads from the backup copy while the duplicate check is on (that is where submitted entries
// go), from the working copy otherwise.
class PhonebookPageValues final : public PageValueSource {
public:
    explicit PhonebookPageValues(Workspace& workspace) : workspace_(workspace) {}

    bool systemEntry(int memory, phonebook::EntryText& text) override;
    bool telephoneEntry(int position, int memory, phonebook::EntryText& text) override;
    image::DataImage& image() override;

private:
    Workspace& workspace_;
};

// With the duplicate check on, the checked stores into the backup copy, which count duplicates;
// otherwise the plain stores into the working copy.
class PhonebookFormTarget final : public FormTarget {
public:
    explicit PhonebookFormTarget(Workspace& workspace) : workspace_(workspace) {}

    void clearDuplicateReport() override;
    void storeSystemEntry(int memory, phonebook::EntryText& text) override;
    void storeTelephoneEntry(int position, int memory, phonebook::EntryText& text) override;
    image::DataImage& image() override;

    // What the checked stores found since the last clearDuplicateReport.
    const phonebook::DuplicateReport& duplicateReport() const;

private:
    Workspace& workspace_;
};

} // namespace rk::web
