// The decoding of a submitted edit page: the body of an application/x-www-form-urlencoded POST
// becomes phonebook entries (s and t fields), data-set commands (h fields) and key settings (i
// fields), each stored as soon as it is decoded. Duplicates found by the checked stores are
// reported afterwards by the server with the messages below.
#pragma once

#include "phonebook/phonebook.h"
#include "web/form_target.h"

#include <string>
#include <string_view>

namespace rk::web {

// Decodes the whole body (up to its first NUL byte, if any) and stores what it holds.
void ApplySubmittedForm(std::string_view body, FormTarget& target);

// The duplicate message (CP932) for a report with at least one pair, for the page kind that
// was submitted; empty when the report counts none.
std::string duplicateMessage(const phonebook::DuplicateReport& report, phonebook::PageKind kind);

// The first entry of a submitted page: the three decimal digits after the body's first
// character (the field letter), s050n1=… giving 50, t103_980n1=… giving 103. -1 when those
// three characters are not digits.
int firstEntryOfBody(std::string_view body);

} // namespace rk::web
