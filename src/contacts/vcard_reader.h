// vCard 2.1, 3.0 and 4.0: folded lines, quoted-printable with soft line breaks, base64, charsets
// (Shift-JIS, UTF-8 or whatever a property names), itemN. groups with their labels, and the
// readings phones and address books write (SOUND;X-IRMC-N, X-PHONETIC-*, SORT-STRING, SORT-AS).
#pragma once

#include "contacts/contact.h"

#include <string_view>
#include <vector>

namespace rk::contacts {

// True when the bytes begin (after a byte-order mark and blank lines) with BEGIN:VCARD.
bool looksLikeVCard(std::string_view bytes);

// Every card in the bytes, in order, numbered from 1. A card cut off before its END:VCARD is
// read as far as it goes (and says so in its notes).
std::vector<Contact> readVCards(std::string_view bytes, std::string_view sourceName);

// How a number's type parameters or label read ("CELL", "WORK", "_$!<Mobile>!$_", "携帯", ...).
NumberKind numberKindFromLabels(const std::vector<std::string>& labels);

} // namespace rk::contacts
