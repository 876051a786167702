#include "web/phonebook_access.h"

#include "image/data_image.h"
#include "image/shared_state.h"

namespace rk::web {
namespace {

bool checkingDuplicates() {
    return sharedState().dupCheckEnabled == 1;
}

phonebook::Copy pageCopy() {
    return checkingDuplicates() ? phonebook::Copy::Backup : phonebook::Copy::Working;
}

} // namespace

bool PhonebookPageValues::systemEntry(int memory, phonebook::EntryText& text) {
    return phonebook::loadSystemEntry(memory, text, pageCopy());
}

bool PhonebookPageValues::telephoneEntry(int position, int memory, phonebook::EntryText& text) {
    return phonebook::loadTelephoneEntry(position, memory, text, pageCopy());
}

image::DataImage& PhonebookPageValues::image() {
    return image::dataImage();
}

void PhonebookFormTarget::clearDuplicateReport() {
    phonebook::resetDuplicateReport();
}

void PhonebookFormTarget::storeSystemEntry(int memory, phonebook::EntryText& text) {
    if (checkingDuplicates())
        phonebook::storeSystemEntryChecked(memory, text, phonebook::Copy::Backup);
    else
        phonebook::storeSystemEntry(memory, text);
}

void PhonebookFormTarget::storeTelephoneEntry(int position, int memory, phonebook::EntryText& text) {
    if (checkingDuplicates())
        phonebook::storeTelephoneEntryChecked(position, memory, text, phonebook::Copy::Backup);
    else
        phonebook::storeTelephoneEntry(position, memory, text);
}

image::DataImage& PhonebookFormTarget::image() {
    return image::dataImage();
}

const phonebook::DuplicateReport& PhonebookFormTarget::duplicateReport() const {
    return phonebook::duplicateReport();
}

} // namespace rk::web
