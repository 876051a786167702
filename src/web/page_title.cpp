#include "web/page_title.h"

#include "platform/text.h"

#include <cstdio>

namespace rk::web {

int pageNumberOfFirstEntry(int firstEntry, bool isCommonPhonebook) {
    if (isCommonPhonebook) {
        if (firstEntry < 0 || firstEntry > 950 || firstEntry % 50 != 0) return 0;
        return firstEntry / 50 + 1;
    }
    if (firstEntry < 101 || firstEntry > 199 || firstEntry % 2 == 0) return 0;
    return (firstEntry - 99) / 2;
}

std::string PageWindowTitle(int firstEntry, bool isCommonPhonebook,
                            const std::optional<std::string_view>& browserVersion) {
    const int page = pageNumberOfFirstEntry(firstEntry, isCommonPhonebook);
    char range[32] = "";
    if (page != 0) {
        if (isCommonPhonebook)
            // The last page ends at 989, the last memory of the 990-memory count.
            std::snprintf(range, sizeof range, "%03d～%03d", firstEntry, page == 20 ? 989 : firstEntry + 49);
        else
            std::snprintf(range, sizeof range, "%03d,%03d", firstEntry, firstEntry + 1);
    }
    const bool version7 = browserVersion && !browserVersion->empty() && browserVersion->front() == '7';
    const char* suffix = version7 ? " - Windows Internet Explorer" : " - Microsoft Internet Explorer";
    char title[160];
    std::snprintf(title, sizeof title,
                  isCommonPhonebook ? "共通電話帳[PAGE%d(短縮番号%s)]%s" : "マイ電話帳[PAGE%d(収容位置%s)]%s",
                  page, range, suffix);
    return text::toCp932(title);
}

} // namespace rk::web
