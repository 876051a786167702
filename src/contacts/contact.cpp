#include "contacts/contact.h"

namespace rk::contacts {

const char* numberKindName(NumberKind kind) {
    switch (kind) {
    case NumberKind::Mobile:
        return "mobile";
    case NumberKind::Work:
        return "work";
    case NumberKind::Home:
        return "home";
    case NumberKind::Other:
        return "other";
    case NumberKind::Fax:
        return "fax";
    }
    return "other";
}

} // namespace rk::contacts
