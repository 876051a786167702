// Where the contacts go: append into free memories from a first memory, update the memory that
// has the number, replace the book; duplicates within the book and within the import, capacity,
// gojuon order, groups, the my phonebook of one telephone, and the exit status of an import.
#include "contacts_fixture.h"
#include "image/data_image.h"

#include <cstring>
#include <memory>

namespace rk::testing {
namespace {

struct Person {
    std::string name;
    std::string reading;
    std::string number;
    std::string group;
};

// A spreadsheet of people, read with the map name/reading/number/group.
contacts::ContactSource sheet(const std::vector<Person>& people) {
    std::string text = "name,reading,number,group\r\n";
    for (const Person& person : people)
        text += person.name + "," + person.reading + "," + person.number + "," + person.group + "\r\n";
    return {"people.csv", text};
}

class Placement : public ::testing::Test {
protected:
    Placement() {
        emptyBooks(ws(), 1);
        std::string error;
        options.map =
            contacts::parseColumnMap("name=name,reading=reading,number=number,group=group", error).value();
    }

    Workspace& ws() { return *workspace_; }

    void storeCommon(int memory, const std::string& number, const std::string& kanji, char group = '1') {
        auto entry = phonebook::EntryText::make(number, text::toCp932("ｷｭｳ"), text::toCp932(kanji), group);
        ASSERT_TRUE(phonebook::storeSystemEntry(ws(), memory, entry));
    }
    phonebook::EntryText common(int memory) const {
        phonebook::EntryText entry;
        phonebook::loadSystemEntry(*workspace_, memory, entry);
        return entry;
    }

    contacts::ImportPlan run(const std::vector<Person>& people) {
        const contacts::ContactSource sources[] = {sheet(people)};
        contacts::ImportPlan plan = contacts::importContacts(ws(), sources, options, readingMaker());
        EXPECT_TRUE(plan.problems.empty());
        return plan;
    }

    static std::vector<std::string> memories(const contacts::ImportPlan& plan) {
        std::vector<std::string> labels;
        for (const contacts::ImportRow& row : plan.rows)
            labels.push_back(contacts::memoryLabel(plan, row) + " " + contacts::statusName(row.status));
        return labels;
    }

    contacts::ImportOptions options;

private:
    std::unique_ptr<Workspace> workspace_ = std::make_unique<Workspace>();
};

const std::vector<Person> kThree = {{"青木 一", "あおき はじめ", "0311110001", ""},
                                    {"加藤 二郎", "かとう じろう", "0311110002", ""},
                                    {"和田 三郎", "わだ さぶろう", "0311110003", ""}};

TEST_F(Placement, AppendFillsTheFreeMemoriesFromTheFirstAskedAndLeavesTheOthers) {
    storeCommon(0, "0399990000", "既存");
    storeCommon(2, "0399990002", "既存二");
    options.from = 1;
    const contacts::ImportPlan plan = run(kThree);
    EXPECT_EQ(memories(plan), (std::vector<std::string>{"001 stored", "003 stored", "004 stored"}));
    EXPECT_EQ(contacts::importExitStatus(plan), 0) << "stored exactly as given";
    EXPECT_EQ(common(0).numberText(), "0399990000");
    EXPECT_EQ(common(2).numberText(), "0399990002");
    EXPECT_EQ(common(1).numberText(), "0311110001");
    EXPECT_EQ(utf8(common(1).kanjiText()), "青木一");
    EXPECT_EQ(utf8(common(1).kanaText()), "ｱｵｷ ﾊｼﾞﾒ");
    EXPECT_EQ(common(1).group, '1');
    EXPECT_EQ(common(4).numberText(), "0311110003");
    EXPECT_EQ(common(5).numberText(), "");
}

TEST_F(Placement, ANumberInTheBookOrGivenTwiceIsNotStoredTwice) {
    storeCommon(0, "0311110002", "既存");
    const contacts::ImportPlan plan = run({kThree[0], kThree[1], {"青木 一", "", "03-1111-0001", ""}});
    EXPECT_EQ(memories(plan), (std::vector<std::string>{"001 stored", " duplicate", " duplicate"}));
    EXPECT_NE(changesOf(plan.rows[1]).find("already in memory 000"), std::string::npos);
    EXPECT_NE(changesOf(plan.rows[2]).find("the same number as people.csv:1"), std::string::npos);
    EXPECT_EQ(utf8(common(0).kanjiText()), "既存");
    EXPECT_EQ(common(2).numberText(), "");
    EXPECT_EQ(contacts::importExitStatus(plan), 1);
}

TEST_F(Placement, UpdateKeepsTheMemoryOfANumberAndGivesItTheNewNames) {
    storeCommon(7, "0311110002", "旧姓", '3');
    options.mode = contacts::PlacementMode::Update;
    const contacts::ImportPlan plan = run(kThree);
    EXPECT_EQ(memories(plan), (std::vector<std::string>{"000 stored", "007 updated", "001 stored"}));
    EXPECT_NE(changesOf(plan.rows[1]).find("had this number as \"旧姓\""), std::string::npos);
    const phonebook::EntryText updated = common(7);
    EXPECT_EQ(updated.numberText(), "0311110002");
    EXPECT_EQ(utf8(updated.kanjiText()), "加藤二郎");
    EXPECT_EQ(utf8(updated.kanaText()), "ｶﾄｳ ｼﾞﾛｳ");
    EXPECT_EQ(updated.group, '3') << "the memory keeps its group";

    // With an outside-line prefix the book's numbers without it are still the same numbers.
    options.prefix = "0";
    const contacts::ImportPlan prefixed = run({{"加藤 次郎", "かとう じろう", "03-1111-0002", ""}});
    EXPECT_EQ(memories(prefixed), std::vector<std::string>{"007 updated"});
    EXPECT_EQ(common(7).numberText(), "0311110002");
}

TEST_F(Placement, ReplaceMakesTheBookTheImport) {
    storeCommon(0, "0399990000", "既存");
    storeCommon(5, "0399990005", "既存五");
    storeCommon(300, "0399990300", "既存三百");
    options.mode = contacts::PlacementMode::Replace;
    const contacts::ImportPlan plan = run({kThree[0], kThree[1], {"既存", "", "0399990005", ""}});
    EXPECT_EQ(memories(plan), (std::vector<std::string>{"000 stored", "001 stored", "002 stored"}));
    EXPECT_EQ(common(0).numberText(), "0311110001");
    EXPECT_EQ(common(2).numberText(), "0399990005");
    EXPECT_EQ(common(5).numberText(), "");
    EXPECT_EQ(common(300).numberText(), "");
    EXPECT_EQ(common(300).group, '1');
}

TEST_F(Placement, ContactsBeyondTheFreeMemoriesOfATelephoneAreReported) {
    emptyBooks(ws(), 2); // 990: ten memories per telephone
    auto own = phonebook::EntryText::make("0399990995", "", "", 0);
    ASSERT_TRUE(phonebook::storeTelephoneEntry(ws(), 101, 995, own));
    options.kind = contacts::BookKind::My;
    options.position = 101;
    std::vector<Person> people;
    for (int i = 0; i < 11; ++i)
        people.push_back({"社員 " + std::to_string(i), "しゃいん", "03111100" + std::to_string(10 + i), ""});
    const contacts::ImportPlan plan = run(people);
    std::vector<std::string> expected;
    for (int memory : {990, 991, 992, 993, 994, 996, 997, 998, 999})
        expected.push_back("101_" + std::to_string(memory) + " stored");
    expected.insert(expected.end(), 2, " over_capacity");
    EXPECT_EQ(memories(plan), expected);
    EXPECT_NE(changesOf(plan.rows[9]).find("no free memory left from 101_990 on"), std::string::npos);
    phonebook::EntryText entry;
    ASSERT_TRUE(phonebook::loadTelephoneEntry(ws(), 101, 999, entry));
    EXPECT_EQ(entry.numberText(), "0311110018");
    ASSERT_TRUE(phonebook::loadTelephoneEntry(ws(), 102, 990, entry));
    EXPECT_EQ(entry.numberText(), "") << "another telephone's book is not touched";
    EXPECT_EQ(common(0).numberText(), "") << "nor the common phonebook";
}

TEST_F(Placement, SortByReadingPlacesTheAppendedContactsInGojuonOrder) {
    options.sortByReading = true;
    options.readings = contacts::ReadingPolicy::Source;
    const contacts::ImportPlan plan = run({{"和田", "わだ", "0311110001", ""},
                                           {"某", "", "0311110002", ""},
                                           {"青木", "アオキ", "0311110003", ""},
                                           {"加藤", "ｶﾄｳ", "0311110004", ""},
                                           {"ABC", "ABC", "0311110005", ""}});
    EXPECT_EQ(memories(plan), (std::vector<std::string>{"003 stored", "004 stored", "001 stored",
                                                        "002 stored", "000 stored"}));
    EXPECT_EQ(plan.rows[1].kanaSource, contacts::KanaSource::None) << "--readings source makes none";
}

TEST_F(Placement, AContactsOwnGroupWinsOverTheImportsGroup) {
    options.group = 4;
    const contacts::ImportPlan plan = run({{"青木", "あおき", "0311110001", "6"},
                                           {"加藤", "かとう", "0311110002", ""},
                                           {"和田", "わだ", "0311110003", "9"}});
    EXPECT_EQ(common(0).group, '6');
    EXPECT_EQ(common(1).group, '4');
    EXPECT_EQ(common(2).group, '4');
    EXPECT_NE(changesOf(plan.rows[2]).find("group \"9\" is not a group 0..7"), std::string::npos);
}

TEST_F(Placement, APreviewStoresNothingAndAnUnreadableSourceStopsTheImport) {
    const contacts::ContactSource sources[] = {sheet(kThree)};
    const contacts::ImportPlan preview = contacts::previewImport(ws(), sources, options, readingMaker());
    EXPECT_EQ(memories(preview), (std::vector<std::string>{"000 stored", "001 stored", "002 stored"}));
    EXPECT_EQ(common(0).numberText(), "");

    // A window may edit a row before storing it; what it typed is cut as the fields need.
    contacts::ImportPlan edited = preview;
    edited.rows[0].kana = text::toCp932("ｱｵｷ");
    edited.rows[1].kanji = text::toCp932("A一二三四五六七八九十");
    edited.rows[1].kana = text::toCp932("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾞ");
    contacts::storeImport(ws(), edited);
    EXPECT_EQ(utf8(common(0).kanaText()), "ｱｵｷ");
    EXPECT_EQ(utf8(common(1).kanjiText()), "A一二三四五六七八九");
    EXPECT_EQ(utf8(common(1).kanaText()), "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ");

    const contacts::ContactSource broken[] = {sheet(kThree), {"notes.txt", "just some notes\n"}};
    emptyBooks(ws(), 1);
    const contacts::ImportPlan refused = contacts::importContacts(ws(), broken, options, readingMaker());
    ASSERT_EQ(refused.problems.size(), 1u);
    EXPECT_EQ(refused.problems[0].source, "notes.txt");
    EXPECT_EQ(contacts::importExitStatus(refused), 2);
    EXPECT_EQ(common(0).numberText(), "") << "nothing is stored when a source cannot be read";
}

TEST_F(Placement, AnEditedRowIsTakenByTheImportsRulesAndEveryRowIsPlacedAgain) {
    storeCommon(9, "0399990009", "既存");
    const contacts::ContactSource sources[] = {
        sheet({kThree[0], kThree[1], {"某", "", "12345678", ""}, {"誰", "", "03-1111-0004", ""}})};
    contacts::ImportPlan plan = contacts::previewImport(ws(), sources, options, readingMaker());
    ASSERT_EQ(memories(plan),
              (std::vector<std::string>{"000 stored", "001 stored", " invalid_number", "002 stored"}));
    const auto edit = [&](std::size_t row, contacts::RowField field, const char* utf8Text) {
        contacts::editImportRow(plan, row, field, utf8Text, ws(), options);
    };

    // The invalid number typed again: made dialable, its old texts gone, given a memory.
    edit(2, contacts::RowField::Number, "+81 3-1111-0005");
    EXPECT_EQ(plan.rows[2].number, "0311110005");
    EXPECT_EQ(changesOf(plan.rows[2]).find("not stored"), std::string::npos) << changesOf(plan.rows[2]);
    EXPECT_NE(changesOf(plan.rows[2]).find("+81 became 0"), std::string::npos);
    // A number made the same as an earlier row's, or as the book's: not stored twice.
    edit(3, contacts::RowField::Number, "0311110001");
    edit(1, contacts::RowField::Number, "03-9999-0009");
    EXPECT_EQ(memories(plan),
              (std::vector<std::string>{"000 stored", " duplicate", "001 stored", " duplicate"}));
    EXPECT_NE(changesOf(plan.rows[1]).find("already in memory 009"), std::string::npos);
    edit(3, contacts::RowField::Number, "");
    EXPECT_EQ(plan.rows[3].status, contacts::ImportStatus::NoNumber);

    // Names as the import makes them; a reading among the candidates is no edit.
    edit(0, contacts::RowField::Kanji, "髙橋一二三四五六七八九十");
    EXPECT_EQ(utf8(plan.rows[0].kanji), "高橋一二三四五六七八");
    EXPECT_NE(changesOf(plan.rows[0]).find("kanji name edited"), std::string::npos);
    EXPECT_NE(changesOf(plan.rows[0]).find("cut to 20 bytes"), std::string::npos);
    edit(0, contacts::RowField::Kana, "たかはし");
    EXPECT_EQ(utf8(plan.rows[0].kana), "ﾀｶﾊｼ");
    ASSERT_FALSE(plan.rows[2].kanaCandidates.empty());
    const std::string candidate = plan.rows[2].kanaCandidates.back();
    const std::string before = changesOf(plan.rows[2]);
    edit(2, contacts::RowField::Kana, utf8(candidate).c_str());
    EXPECT_EQ(plan.rows[2].kana, candidate);
    EXPECT_EQ(changesOf(plan.rows[2]), before);

    // Other placement options: the rows as edited, placed anew, no text said twice.
    options.from = 5;
    options.mode = contacts::PlacementMode::Update;
    contacts::placeImport(plan, ws(), options);
    contacts::placeImport(plan, ws(), options);
    EXPECT_EQ(memories(plan),
              (std::vector<std::string>{"005 stored", "009 updated", "006 stored", " no_number"}));
    EXPECT_EQ(changesOf(plan.rows[1]).find("already in memory"), std::string::npos);
    const std::string updated = changesOf(plan.rows[1]);
    EXPECT_EQ(updated.find("had this number"), updated.rfind("had this number"));

    contacts::storeImport(ws(), plan);
    EXPECT_EQ(utf8(common(5).kanjiText()), "高橋一二三四五六七八");
    EXPECT_EQ(utf8(common(9).kanjiText()), "加藤二郎");
    EXPECT_EQ(common(6).numberText(), "0311110005");
    EXPECT_EQ(
        std::memcmp(&ws().image().workingCopy, &ws().image().backupCopy, sizeof ws().image().workingCopy), 0)
        << "the backup copy follows, as after a file load";
}

TEST_F(Placement, OptionsOutOfPlaceAreRefused) {
    contacts::ImportOptions bad;
    bad.nameTemplate = "{family}{nickname}";
    EXPECT_NE(contacts::checkOptions(bad, 1).find("{nickname}"), std::string::npos);
    bad = {};
    bad.kind = contacts::BookKind::My;
    bad.position = 201;
    EXPECT_NE(contacts::checkOptions(bad, 1).find("--position"), std::string::npos);
    bad.position = 150;
    bad.from = 985;
    EXPECT_EQ(contacts::checkOptions(bad, 1), "");
    EXPECT_NE(contacts::checkOptions(bad, 2).find("--from"), std::string::npos) << "990 has 990..999 only";
    bad = {};
    bad.from = 600;
    EXPECT_NE(contacts::checkOptions(bad, 1).find("--from"), std::string::npos);
    EXPECT_EQ(contacts::checkOptions(bad, 2), "");
    bad = {};
    bad.group = 8;
    EXPECT_NE(contacts::checkOptions(bad, 1).find("--group"), std::string::npos);
    bad = {};
    bad.prefix = "0-";
    EXPECT_NE(contacts::checkOptions(bad, 1).find("--prefix"), std::string::npos);
}

} // namespace
} // namespace rk::testing
