// Every source format the import reads, each from a file written by hand with the traps of its
// kind (tests/data/contacts/make_sources.py): what each contact becomes, and what is told.
#include "contacts_fixture.h"

#include "contacts/vcard_reader.h"

#include <memory>

namespace rk::testing {
namespace {

struct Told {
    std::size_t row;
    std::string text; // a part of one of the row's changes
};

struct FormatCase {
    std::string file;
    std::string map; // --map, when the format needs it
    std::string format;
    std::vector<ShownRow> rows;
    std::vector<Told> told;
};

const std::vector<FormatCase>& formatCases() {
    static const std::vector<FormatCase> cases = {
        {"phone_2_1.vcf",
         "",
         "vCard",
         {{"000", "渡辺健太郎", "ﾜﾀﾅﾍﾞ ｹﾝﾀﾛｳ", "contact", "09011112222", "stored"},
          {"001", "斉藤花子", "ｻｲﾄｳ ﾊﾅｺ", "contact", "0333334444", "stored"},
          {"002", "(株)高島屋商会", "ｶ)ﾀｶｼﾏﾔｼｮｳｶｲ", "made", "0120444555", "stored"},
          {"003", "東坊城権五郎左衛門", "ﾋｶﾞｼﾎﾞｳｼﾞｮｳ ｺﾞﾝｺﾞﾛｳ", "contact", "0355556666", "stored"}},
         {{1, "+81 became 0"},
          {2, "㈱ became (株)"},
          {2, "髙 became 高"},
          {2, "株式会社 written as its short form ｶ"},
          {3, "reading cut to 20 bytes: \"ｻﾞｴﾓﾝ\" left out"},
          {3, "extension 123 left out"}}},
        {"address_book_3_0.vcf",
         "",
         "vCard",
         {{"000", "勘解由小路権五郎左衛", "ｶﾃﾞﾉｺｳｼﾞ ｺﾞﾝｺﾞﾛｳｻﾞｴﾓ", "contact", "09033334444", "stored"},
          {"001", "五十嵐美紀", "ｲｶﾞﾗｼ ﾐｷ", "contact", "0466223333", "stored"},
          {"002", "山本工業有限会社", "ﾔﾏﾓﾄｺｳｷﾞｮｳ(ﾕ", "contact", "0452223333", "stored"},
          {"", "田中次郎", "ﾀﾅｶ ｼﾞﾛｳ", "made", "", "no_number"},
          {"003", "受付", "ｳｹﾂｹ", "made", "201", "stored"}},
         {{0, "kanji name cut to 20 bytes: \"門\" left out"},
          {2, "有限会社 written as its short form ﾕ"},
          {3, "it has fax 03-9999-0000"}}},
        {"address_book_4_0.vcf",
         "",
         "vCard",
         {{"000", "山本美紀", "ﾔﾏﾓﾄ ﾐｷ", "contact", "08055556666", "stored"},
          {"", "鈴木翔", "ｽｽﾞｷ ｼｮｳ", "contact", "12345678901", "invalid_number"},
          {"001", "株式会社ダイヤル技研", "ｶ)ﾀﾞｲﾔﾙｷﾞｹﾝ", "made", "01016502530000", "stored"}},
         {{1, "not a valid number in Japan"}, {2, "+ became 010"}}},
        {"google_older.csv",
         "",
         "Google CSV",
         {{"000", "佐藤健", "ｻﾄｳ ｹﾝ", "contact", "09012345678", "stored"},
          {"001", "株式会社ミライ電機", "ｶ)ﾐﾗｲﾃﾞﾝｷ", "contact", "0333331111", "stored"},
          {"002", "高橋真一", "ﾀｶﾊｼ ｼﾝｲﾁ", "made", "0422112222", "stored"}},
         {{1, "株式会社 written as its short form ｶ"}}},
        {"google_newer.csv",
         "",
         "Google CSV",
         {{"000", "鈴木一郎", "ｽｽﾞｷ ｲﾁﾛｳ", "contact", "09022223333", "stored"},
          {"001", "中村花", "ﾅｶﾑﾗ ﾊﾅ", "made", "01033142685300", "stored"}},
         {}},
        {"outlook_english.csv",
         "",
         "Outlook CSV",
         {{"000", "小林由美", "ｺﾊﾞﾔｼ ﾕﾐ", "contact", "08011119999", "stored"},
          {"001", "有限会社 まるや", "ﾕ)ﾏﾙﾔ", "contact", "0666667777", "stored"}},
         {}},
        {"outlook_japanese.csv",
         "",
         "Outlook CSV",
         {{"000", "加藤美咲", "ｶﾄｳ ﾐｻｷ", "contact", "0451112222", "stored"},
          {"001", "ABC商事株式会社", "ABCｼｮｳｼﾞ(ｶ", "made", "0334567890", "stored"}},
         {}},
        {"spreadsheet.tsv",
         "name=氏名,reading=よみ,number=電話,group=グループ",
         "mapped TSV",
         {{"000", "田中一郎", "ﾀﾅｶ ｲﾁﾛｳ", "contact", "0312345678", "stored"},
          {"", "山口恵子", "ﾔﾏｸﾞﾁ ｹｲｺ", "contact", "0312345678", "duplicate"},
          {"001", "森大輔", "ﾓﾘ ﾀﾞｲｽｹ", "made", "09012345678", "stored"}},
         {{0, "the leading 0 added"},
          {1, "the same number as spreadsheet.tsv:1"},
          {2, "group \"x\" is not a group 0..7"}}},
        {"spreadsheet_utf8.csv",
         "name=Name,company=Company,number=Phone",
         "mapped CSV",
         {{"000", "株式会社ことり屋", "ｶ)ｺﾄﾘﾔ", "made", "0120123456", "stored"},
          {"001", "Taro Yamada", "Taro Yamada", "made", "09099998888", "stored"}},
         {}},
        {"phonebook.csv",
         "",
         "phonebook file",
         {{"000", "山田太郎", "ﾔﾏﾀﾞ", "contact", "0312345678", "stored"},
          {"001", "本社", "ﾎﾝｼｬ", "contact", "03-1234*5#P", "stored"},
          {"002", "時報", "ｼﾞﾎｳ", "contact", "117", "stored"}},
         {}},
    };
    return cases;
}

contacts::ImportOptions optionsWithMap(const std::string& map) {
    contacts::ImportOptions options;
    if (!map.empty()) {
        std::string error;
        options.map = contacts::parseColumnMap(map, error).value();
    }
    return options;
}

TEST(ContactSources, EachFormatIsToldByItsContentAndReadWithItsTraps) {
    ASSERT_TRUE(readingMaker().ready()) << readingMaker().problem();
    for (const FormatCase& format : formatCases()) {
        SCOPED_TRACE(format.file);
        auto workspace = std::make_unique<Workspace>();
        emptyBooks(*workspace, 1);
        const contacts::ContactSource sources[] = {contactSource(format.file)};
        const contacts::ImportPlan plan =
            contacts::previewImport(*workspace, sources, optionsWithMap(format.map), readingMaker());
        ASSERT_TRUE(plan.problems.empty()) << plan.problems.front().problem;
        EXPECT_EQ(plan.formats, std::vector<std::string>{format.format});
        EXPECT_EQ(shownRows(plan), format.rows);
        for (const Told& told : format.told) {
            ASSERT_LT(told.row, plan.rows.size());
            EXPECT_NE(changesOf(plan.rows[told.row]).find(told.text), std::string::npos)
                << "row " << told.row << " should tell \"" << told.text << "\" but tells:\n"
                << changesOf(plan.rows[told.row]);
        }
    }
}

// The rest of what the readers keep: records, groups, readings of parts, kinds of numbers.
TEST(ContactSources, RecordsGroupsAndEveryNumberOfACellAreKept) {
    auto workspace = std::make_unique<Workspace>();
    emptyBooks(*workspace, 1);
    contacts::ImportOptions options;
    options.allNumbers = true;
    const contacts::ContactSource sources[] = {contactSource("google_older.csv"),
                                               contactSource("phonebook.csv")};
    const contacts::ImportPlan plan = contacts::previewImport(*workspace, sources, options, readingMaker());
    ASSERT_TRUE(plan.problems.empty());
    // The first Google contact's " ::: " mobile numbers and its work number, each a row.
    ASSERT_GE(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].number, "09012345678");
    EXPECT_EQ(plan.rows[1].number, "08087654321");
    EXPECT_EQ(plan.rows[2].number, "0312340000");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(plan.rows[static_cast<std::size_t>(i)].record, 1);
    // The phonebook file's records are its lines, and its groups stay.
    std::vector<std::pair<int, int>> records;
    for (const contacts::ImportRow& row : plan.rows)
        if (row.source == "phonebook.csv") records.emplace_back(row.record, row.group);
    EXPECT_EQ(records, (std::vector<std::pair<int, int>>{{1, 1}, {2, 3}, {4, 5}}));
}

TEST(ContactSources, WhatIsNoContactListIsRefusedWithItsReason) {
    const contacts::ColumnMap none;
    EXPECT_EQ(contacts::readContactSource({"empty.vcf", ""}, none).problem, "the file is empty");
    EXPECT_NE(
        contacts::readContactSource({"plain.txt", "a,b,c\r\n1,2,3\r\n"}, none).problem.find("needs --map"),
        std::string::npos);
    std::string error;
    const contacts::ColumnMap map = contacts::parseColumnMap("name=氏名,number=番号", error).value();
    EXPECT_NE(
        contacts::readContactSource({"sheet.csv", "氏名,電話\r\n山田,03\r\n"}, map).problem.find("\"番号\""),
        std::string::npos);
    // What a window offers to map: the columns of a spreadsheet only.
    EXPECT_EQ(contacts::spreadsheetColumns(contactSource("spreadsheet.tsv")),
              (std::vector<std::string>{"氏名", "よみ", "電話", "グループ"}));
    for (const char* file : {"google_older.csv", "phone_2_1.vcf", "phonebook.csv"})
        EXPECT_TRUE(contacts::spreadsheetColumns(contactSource(file)).empty()) << file;
    EXPECT_TRUE(contacts::spreadsheetColumns({"notes.txt", "just some notes\n"}).empty());
    EXPECT_FALSE(contacts::parseColumnMap("name=A,telephone=B", error));
    EXPECT_FALSE(contacts::parseColumnMap("name=A", error)) << "a map without a number";
}

TEST(ContactSources, VCardLabelsNameTheKindOfANumber) {
    using contacts::NumberKind;
    const std::vector<std::pair<std::vector<std::string>, NumberKind>> cases = {
        {{"CELL", "VOICE"}, NumberKind::Mobile},
        {{"WORK", "FAX"}, NumberKind::Fax},
        {{"_$!<Mobile>!$_"}, NumberKind::Mobile},
        {{"iPhone"}, NumberKind::Mobile},
        {{"携帯"}, NumberKind::Mobile},
        {{"会社"}, NumberKind::Work},
        {{"HOME"}, NumberKind::Home},
        {{"VOICE"}, NumberKind::Other},
        {{}, NumberKind::Other},
    };
    for (const auto& [labels, kind] : cases)
        EXPECT_EQ(contacts::numberKindFromLabels(labels), kind) << (labels.empty() ? "" : labels.front());
}

} // namespace
} // namespace rk::testing
