#include "contacts/legal_forms.h"

#include "contacts/kana.h"
#include "contacts/unicode.h"
#include "platform/text.h"

#include <array>

namespace rk::contacts {
namespace {

struct LegalForm {
    std::string_view form;
    std::string_view shortForm;
    std::array<std::string_view, 2> readings; // full-width katakana
    std::array<std::string_view, 4> abbreviations;
};

// Longer forms first, so that 一般社団法人 is not taken for 社団法人.
constexpr std::array kLegalForms = std::to_array<LegalForm>({
    {"特定非営利活動法人",
     "ﾄｸﾋ",
     {"トクテイヒエイリカツドウホウジン", ""},
     {"(特非)", "（特非）", "NPO法人", "ＮＰＯ法人"}},
    {"一般社団法人", "ｼﾔ", {"イッパンシャダンホウジン", ""}, {"(一社)", "（一社）", "", ""}},
    {"一般財団法人", "ｻﾞｲ", {"イッパンザイダンホウジン", ""}, {"(一財)", "（一財）", "", ""}},
    {"公益社団法人", "ｼﾔ", {"コウエキシャダンホウジン", ""}, {"(公社)", "（公社）", "", ""}},
    {"公益財団法人", "ｻﾞｲ", {"コウエキザイダンホウジン", ""}, {"(公財)", "（公財）", "", ""}},
    {"社会福祉法人", "ﾌｸ", {"シャカイフクシホウジン", ""}, {"(福)", "（福）", "", ""}},
    {"医療法人社団", "ｲ", {"イリョウホウジンシャダン", ""}, {"", "", "", ""}},
    {"医療法人財団", "ｲ", {"イリョウホウジンザイダン", ""}, {"", "", "", ""}},
    {"株式会社", "ｶ", {"カブシキガイシャ", "カブシキカイシャ"}, {"(株)", "（株）", "㈱", ""}},
    {"有限会社", "ﾕ", {"ユウゲンガイシャ", "ユウゲンカイシャ"}, {"(有)", "（有）", "㈲", ""}},
    {"合同会社", "ﾄﾞ", {"ゴウドウガイシャ", "ゴウドウカイシャ"}, {"(同)", "（同）", "", ""}},
    {"合資会社", "ｼ", {"ゴウシガイシャ", "ゴウシカイシャ"}, {"(資)", "（資）", "", ""}},
    {"合名会社", "ﾒ", {"ゴウメイガイシャ", "ゴウメイカイシャ"}, {"(名)", "（名）", "", ""}},
    {"医療法人", "ｲ", {"イリョウホウジン", ""}, {"(医)", "（医）", "", ""}},
    {"社団法人", "ｼﾔ", {"シャダンホウジン", ""}, {"(社)", "（社）", "", ""}},
    {"財団法人", "ｻﾞｲ", {"ザイダンホウジン", ""}, {"(財)", "（財）", "", ""}},
    {"学校法人", "ｶﾞｸ", {"ガッコウホウジン", ""}, {"(学)", "（学）", "", ""}},
    {"宗教法人", "ｼﾕｳ", {"シュウキョウホウジン", ""}, {"(宗)", "（宗）", "", ""}},
});

std::string cp932(std::string_view utf8) {
    return toHalfWidthKana(utf8).cp932;
}

} // namespace

std::optional<LegalFormMatch> findLegalForm(std::string_view utf8) {
    const std::string_view name = trimBlanks(utf8);
    for (const LegalForm& legal : kLegalForms) {
        std::size_t found = std::string_view::npos;
        std::size_t length = 0;
        const auto consider = [&](std::string_view spelling) {
            if (spelling.empty()) return;
            const std::size_t at = name.find(spelling);
            if (at < found) {
                found = at;
                length = spelling.size();
            }
        };
        consider(legal.form);
        for (std::string_view abbreviation : legal.abbreviations) consider(abbreviation);
        if (found == std::string_view::npos) continue;
        LegalFormMatch match;
        match.form = legal.form;
        match.shortForm = legal.shortForm;
        match.before = std::string(trimBlanks(name.substr(0, found)));
        match.after = std::string(trimBlanks(name.substr(found + length)));
        match.place = match.before.empty()  ? LegalFormPlace::Before
                      : match.after.empty() ? LegalFormPlace::After
                                            : LegalFormPlace::Middle;
        return match;
    }
    return std::nullopt;
}

std::string readingWithShortForm(const LegalFormMatch& match, std::string_view beforeReading,
                                 std::string_view afterReading) {
    const std::string shortForm = cp932(match.shortForm);
    switch (match.place) {
    case LegalFormPlace::Before:
        return shortForm + ")" + std::string(afterReading);
    case LegalFormPlace::After:
        return std::string(beforeReading) + "(" + shortForm;
    case LegalFormPlace::Middle:
        break;
    }
    return std::string(beforeReading) + "(" + shortForm + ")" + std::string(afterReading);
}

std::string shortenLegalFormReading(const LegalFormMatch& match, std::string_view reading,
                                    std::vector<std::string>& changes) {
    const LegalForm* legal = nullptr;
    for (const LegalForm& candidate : kLegalForms)
        if (candidate.form == match.form) legal = &candidate;
    const std::string shortForm = cp932(match.shortForm);
    std::string_view trimmed = reading;
    while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
    const std::string told = std::string(match.form) + " written as its short form " +
                             std::string(match.shortForm) + " in the reading";
    for (std::string_view spelledUtf8 : legal->readings) {
        if (spelledUtf8.empty()) continue;
        const std::string spelled = cp932(spelledUtf8);
        const std::size_t at = std::string_view(trimmed).find(spelled);
        if (at == std::string_view::npos) continue;
        std::string_view before = trimmed.substr(0, at);
        std::string_view after = trimmed.substr(at + spelled.size());
        while (!before.empty() && before.back() == ' ') before.remove_suffix(1);
        while (!after.empty() && after.front() == ' ') after.remove_prefix(1);
        changes.push_back(told);
        if (before.empty()) return shortForm + ")" + std::string(after);
        if (after.empty()) return std::string(before) + "(" + shortForm;
        return std::string(before) + "(" + shortForm + ")" + std::string(after);
    }
    // Already in its short form, or without the form: add it where the name has it.
    if (trimmed.find(shortForm + ")") != std::string_view::npos ||
        trimmed.find("(" + shortForm) != std::string_view::npos)
        return std::string(trimmed);
    if (match.place == LegalFormPlace::Middle) return std::string(trimmed);
    changes.push_back(std::string(match.form) + " added to the reading as its short form " +
                      std::string(match.shortForm));
    return match.place == LegalFormPlace::Before ? shortForm + ")" + std::string(trimmed)
                                                 : std::string(trimmed) + "(" + shortForm;
}

} // namespace rk::contacts
