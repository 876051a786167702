#include "web/phonebook_access.h"

#include "image/data_image.h"

namespace rk::web {
namespace {

bool checkingDuplicates(const Workspace& workspace) {
    return workspace.flags().dupCheckEnabled == 1;
}

phonebook::Copy pageCopy(const Workspace& workspace) {
    return checkingDuplicates(workspace) ? phonebook::Copy::Backup : phonebook::Copy::Working;
}

} // namespace

bool PhonebookPageValues::systemEntry(int memory, phonebook::EntryText& text) {
    return phonebook::loadSystemEntry(workspace_, memory, text, pageCopy(workspace_));
}

bool PhonebookPageValues::telephoneEntry(int position, int memory, phonebook::EntryText& text) {
    return phonebook::loadTelephoneEntry(workspace_, position, memory, text, pageCopy(workspace_));
}

image::DataImage& PhonebookPageValues::image() {
    return workspace_.image();
}

void PhonebookFormTarget::clearDuplicateReport() {
    phonebook::resetDuplicateReport(workspace_);
}

// A refused store (a memory outside the memory count in force) has no effect, as for every other
// field the decoder cannot place.
void PhonebookFormTarget::storeSystemEntry(int memory, phonebook::EntryText& text) {
    if (checkingDuplicates(workspace_))
        static_cast<void>(
            phonebook::storeSystemEntryChecked(workspace_, memory, text, phonebook::Copy::Backup));
    else
        static_cast<void>(phonebook::storeSystemEntry(workspace_, memory, text));
}

void PhonebookFormTarget::storeTelephoneEntry(int position, int memory, phonebook::EntryText& text) {
    if (checkingDuplicates(workspace_))
        static_cast<void>(phonebook::storeTelephoneEntryChecked(workspace_, position, memory, text,
                                                                phonebook::Copy::Backup));
    else
        static_cast<void>(phonebook::storeTelephoneEntry(workspace_, position, memory, text));
}

image::DataImage& PhonebookFormTarget::image() {
    return workspace_.image();
}

const phonebook::DuplicateReport& PhonebookFormTarget::duplicateReport() const {
    return workspace_.duplicateReport();
}

} // namespace rk::web
