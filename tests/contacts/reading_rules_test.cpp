// The rules a reading follows: half-width katakana from whatever kana a contact gives, the
// 20-byte cut that never parts a voiced mark from its kana, gojuon order, the short forms of legal
// forms, the display name's common forms and cut, and the readings MeCab makes for names.
#include "contacts_fixture.h"

#include "contacts/kana.h"
#include "contacts/kanji_name.h"
#include "contacts/legal_forms.h"

#include <algorithm>
#include <sstream>

namespace rk::testing {
namespace {

std::string sjis(std::string_view utf8) {
    return text::toCp932(utf8);
}

TEST(ReadingRules, KanaOfEveryFormBecomesHalfWidthKatakana) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"やまだ", "ﾔﾏﾀﾞ"},
        {"ガッコウ", "ｶﾞｯｺｳ"},
        {"ぱぴぷぺぽ", "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"},
        {"ヴァイオリン", "ｳﾞｧｲｵﾘﾝ"},
        {"カ\u3099ク\u309A", "ｶﾞｸﾟ"}, // combining marks, as macOS writes them
        {"いすゞ", "ｲｽｽﾞ"},           // an iteration mark repeats the kana, voiced
        {"ヶ丘", ""},
        {"ｻﾄｳ ﾀﾛｳ", "ｻﾄｳ ﾀﾛｳ"},
        {"ＡＢＣ　１２", "ABC 12"},
        {"コーヒー・ショップ", "ｺｰﾋｰ･ｼｮｯﾌﾟ"},
    };
    for (const auto& [given, expected] : cases) {
        const contacts::HalfWidthReading reading = contacts::toHalfWidthKana(contacts::composeKana(given));
        if (expected.empty()) {
            EXPECT_FALSE(reading.complete) << given;
            EXPECT_EQ(reading.unreadable, "丘");
        } else {
            EXPECT_TRUE(reading.complete) << given;
            EXPECT_EQ(utf8(reading.cp932), expected) << given;
        }
    }
}

TEST(ReadingRules, ACutTo20BytesNeverPartsAVoicedMarkFromItsKana) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        // 21 bytes whose 21st is a voiced mark: its kana goes too.
        {"ﾋｶﾞｼﾎﾞｳｼﾞｮｳ ｺﾞﾝｺﾞﾛｳｻﾞ", "ﾋｶﾞｼﾎﾞｳｼﾞｮｳ ｺﾞﾝｺﾞﾛｳ"},
        // 21 bytes whose 20th is a mark: kept whole.
        {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾞﾄ", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾞ"},
        // A semi-voiced mark the same.
        {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾊﾟ", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ"},
        // A blank left at the end goes.
        {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ ﾄ", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ"},
        {"ﾔﾏﾀﾞ", "ﾔﾏﾀﾞ"},
    };
    for (const auto& [given, expected] : cases) {
        const std::string fitted = contacts::fitReading(sjis(given));
        EXPECT_EQ(utf8(fitted), expected) << given;
        EXPECT_LE(fitted.size(), 20u);
    }
}

TEST(ReadingRules, ReadingsSortInGojuonOrder) {
    // Small kana as large, marks only breaking ties, ASCII before kana.
    const std::vector<std::string> ordered = {"ABC", "ｱｵｷ", "ｱｵｷﾞ", "ｲﾄｳ", "ｶﾄｳ", "ｶﾞﾄｳ", "ｷｬﾉﾝ",
                                              "ｷﾔﾏ", "ﾊﾅ",  "ﾊﾞﾅ",  "ﾊﾟﾅ", "ﾜﾀﾞ", "ｦﾉ",   "ﾝｺﾞ"};
    std::vector<std::string> shuffled(ordered.rbegin(), ordered.rend());
    std::rotate(shuffled.begin(), shuffled.begin() + 5, shuffled.end());
    std::sort(shuffled.begin(), shuffled.end(), [](const std::string& a, const std::string& b) {
        return contacts::gojuonKey(sjis(a)) < contacts::gojuonKey(sjis(b));
    });
    EXPECT_EQ(shuffled, ordered);
}

TEST(ReadingRules, LegalFormsTakeTheirShortFormWhereTheyStand) {
    struct Case {
        std::string name;
        std::string before;
        std::string after;
        std::string reading; // from the readings ﾏﾙ (before) and ﾔﾏ (after)
    };
    const std::vector<Case> cases = {
        {"株式会社やま", "", "やま", "ｶ)ﾔﾏ"},
        {"まる株式会社", "まる", "", "ﾏﾙ(ｶ"},
        {"まる株式会社やま", "まる", "やま", "ﾏﾙ(ｶ)ﾔﾏ"},
        {"(有)やま", "", "やま", "ﾕ)ﾔﾏ"},
        {"㈱やま", "", "やま", "ｶ)ﾔﾏ"},
        {"一般社団法人 やま", "", "やま", "ｼﾔ)ﾔﾏ"},
        {"まる合同会社", "まる", "", "ﾏﾙ(ﾄﾞ"},
    };
    for (const Case& legal : cases) {
        const std::optional<contacts::LegalFormMatch> match = contacts::findLegalForm(legal.name);
        ASSERT_TRUE(match) << legal.name;
        EXPECT_EQ(match->before, legal.before) << legal.name;
        EXPECT_EQ(match->after, legal.after) << legal.name;
        EXPECT_EQ(utf8(contacts::readingWithShortForm(*match, sjis("ﾏﾙ"), sjis("ﾔﾏ"))), legal.reading)
            << legal.name;
    }
    EXPECT_FALSE(contacts::findLegalForm("山田商店"));

    // A reading the contact gives: the spelled-out form shortened, a missing one added.
    const contacts::LegalFormMatch before = contacts::findLegalForm("株式会社山田").value();
    const contacts::LegalFormMatch after = contacts::findLegalForm("山田有限会社").value();
    std::vector<std::string> changes;
    EXPECT_EQ(utf8(contacts::shortenLegalFormReading(before, sjis("ｶﾌﾞｼｷｶﾞｲｼｬﾔﾏﾀﾞ"), changes)), "ｶ)ﾔﾏﾀﾞ");
    EXPECT_EQ(utf8(contacts::shortenLegalFormReading(before, sjis("ﾔﾏﾀﾞ"), changes)), "ｶ)ﾔﾏﾀﾞ");
    EXPECT_EQ(utf8(contacts::shortenLegalFormReading(after, sjis("ﾔﾏﾀﾞ ﾕｳｹﾞﾝｶﾞｲｼｬ"), changes)), "ﾔﾏﾀﾞ(ﾕ");
    EXPECT_EQ(utf8(contacts::shortenLegalFormReading(after, sjis("ﾔﾏﾀﾞ(ﾕ"), changes)), "ﾔﾏﾀﾞ(ﾕ");
    EXPECT_EQ(changes.size(), 3u) << "the form already short is no change";
}

TEST(ReadingRules, DisplayNamesTakeCommonFormsAndAreCutAtACharacter) {
    struct Case {
        std::string given;
        std::string shown;
        std::string told; // part of a change; empty: none
    };
    const std::vector<Case> cases = {
        {"髙橋", "高橋", "髙 became 高"},
        {"㈱山田", "(株)山田", "㈱ became (株)"},
        {"①番窓口", "(1)番窓口", "① became (1)"},
        {"𠮷野家", "吉野家", "Shift-JIS cannot hold it"},
        {"𩸽の店", "〓の店", "〓"},
        {"寿司🍣", "寿司", "left out"},
        {"∮線", "∮線", "kept"},
        {"A,B<C>", "A B C ", "became blanks"}, // the cut takes the blank at the end
        {"山田太郎", "山田太郎", ""},
        {"ガ\u3099", "ガ゛", ""}, // a mark after a kana that has no voiced form stays a mark
    };
    for (const Case& name : cases) {
        std::vector<std::string> changes;
        const std::string shown = contacts::toDisplayName(name.given, changes);
        EXPECT_EQ(utf8(shown), name.shown) << name.given;
        if (name.told.empty()) {
            EXPECT_TRUE(changes.empty()) << name.given;
        } else {
            ASSERT_FALSE(changes.empty()) << name.given;
            EXPECT_NE(changes.front().find(name.told), std::string::npos) << changes.front();
        }
    }
    EXPECT_EQ(utf8(contacts::fitDisplayName(sjis("一二三四五六七八九十壱"), 20)), "一二三四五六七八九十");
    EXPECT_EQ(utf8(contacts::fitDisplayName(sjis("A一二三四五六七八九十"), 20)), "A一二三四五六七八九")
        << "the 20th byte would split a character";
    EXPECT_EQ(utf8(contacts::fitDisplayName(sjis("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅ"), 20)), "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ");
}

// The made readings of the hand-written sample: each must come within its rank.
TEST(ReadingRules, MadeReadingsOfTheSampleComeWithinTheirRank) {
    ASSERT_TRUE(readingMaker().ready()) << readingMaker().problem();
    std::ifstream sample(std::string(RKDIAL_TEST_DATA) + "/contacts/name_readings.tsv");
    std::string line;
    int names = 0;
    while (std::getline(sample, line)) {
        if (line.empty() || line.front() == '#') continue;
        std::istringstream fields(line);
        std::string role, name, reading;
        std::size_t rank = 0;
        std::getline(fields, role, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, reading, '\t');
        fields >> rank;
        const contacts::NameRole nameRole = role == "family"    ? contacts::NameRole::Family
                                            : role == "given"   ? contacts::NameRole::Given
                                            : role == "company" ? contacts::NameRole::Organisation
                                                                : contacts::NameRole::Full;
        const contacts::MadeReading made = readingMaker().read(contacts::withCommonForms(name), nameRole, 5);
        const std::string expected = contacts::toHalfWidthKana(reading).cp932;
        const auto found = std::find(made.candidates.begin(), made.candidates.end(), expected);
        std::string shown;
        for (const std::string& candidate : made.candidates) shown += utf8(candidate) + " ";
        EXPECT_LT(static_cast<std::size_t>(found - made.candidates.begin()), rank)
            << name << " should read " << reading << " within " << rank << ", candidates: " << shown;
        EXPECT_TRUE(made.unread.empty()) << name;
        ++names;
    }
    EXPECT_GE(names, 30);
}

TEST(ReadingRules, ACharacterWithoutAReadingIsLeftOutAndNamed) {
    ASSERT_TRUE(readingMaker().ready());
    // 小鳥遊 is not in the dictionary as a whole, and 遊 has no reading of its own there.
    const contacts::MadeReading made = readingMaker().read("小鳥遊", contacts::NameRole::Family, 5);
    EXPECT_EQ(made.unread, std::vector<std::string>{"遊"});
    ASSERT_FALSE(made.candidates.empty());
    EXPECT_EQ(utf8(made.candidates.front()), "ｺﾄﾘ");
    // A symbol the dictionary reads as itself is no reading either.
    const contacts::MadeReading symbol = readingMaker().read("山田〓", contacts::NameRole::Full, 5);
    EXPECT_EQ(symbol.unread, std::vector<std::string>{"〓"});
    ASSERT_FALSE(symbol.candidates.empty());
    EXPECT_EQ(utf8(symbol.candidates.front()), "ﾔﾏﾀﾞ");
}

} // namespace
} // namespace rk::testing
