// Where a decoded form goes: the phonebook stores and the data image. The server implements it
// over its workspace; phonebook_access.h has the one over today's phonebook operations.
#pragma once

#include "image/data_image.h"
#include "phonebook/entry_text.h"

namespace rk::web {

class FormTarget {
public:
    virtual ~FormTarget() = default;

    // At the start of every decoding.
    virtual void clearDuplicateReport() = 0;

    // One decoded entry: with the duplicate check on the checked store into the backup copy,
    // otherwise the plain store into the working copy. A refused store has no effect.
    virtual void storeSystemEntry(int memory, phonebook::EntryText& text) = 0;
    virtual void storeTelephoneEntry(int position, int memory, phonebook::EntryText& text) = 0;

    // The image the h fields' commands and the i fields' keys are stored into.
    virtual image::DataImage& image() = 0;
};

} // namespace rk::web
