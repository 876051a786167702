#include "web/page_title.h"

#include "phonebook/page_rules.h"
#include "platform/text.h"

namespace rk::web {

std::string PageWindowTitle(int firstEntry, bool isCommonPhonebook,
                            const std::optional<std::string_view>& browserVersion) {
    const phonebook::PageKind kind =
        isCommonPhonebook ? phonebook::PageKind::System : phonebook::PageKind::Telephone;
    const bool version7 = browserVersion && !browserVersion->empty() && browserVersion->front() == '7';
    const char* suffix = version7 ? " - Windows Internet Explorer" : " - Microsoft Internet Explorer";
    return text::toCp932(phonebook::pageTitle(kind, phonebook::pageOfFirstEntry(kind, firstEntry)) + suffix);
}

} // namespace rk::web
