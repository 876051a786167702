// Where the data scripts take their values from: the phonebook entries as the loads give them,
// and the data image for the data-set and key fields. The server implements it over its
// workspace; phonebook_access.h has the one over today's phonebook operations.
#pragma once

#include "image/data_image.h"
#include "phonebook/entry_text.h"

namespace rk::web {

class PageValueSource {
public:
    virtual ~PageValueSource() = default;

    // As loadSystemEntry / loadTelephoneEntry fill them (from the backup copy while the duplicate
    // check is on); false when the memory does not exist in the current memory count.
    virtual bool systemEntry(int memory, phonebook::EntryText& text) = 0;
    virtual bool telephoneEntry(int position, int memory, phonebook::EntryText& text) = 0;

    // The image whose commands and keys the h and i fields show.
    virtual image::DataImage& image() = 0;
};

} // namespace rk::web
