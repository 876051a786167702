// The upload conversion into the main unit's page files, against pages written by hand.
#include "phonebook/page_files.h"
#include "phonebook_file_fixture.h"

#include <gtest/gtest.h>

namespace rk::testing {
namespace {

class filePages : public PhonebookFileTest {};

TEST_F(filePages, CommonPhonebookSplitsAfterRecord500WithAndWithoutSeparator) {
    const std::string source = readBytes(golden("sys-tan.txt"));
    for (const auto& [separator, folder] :
         {std::pair{false, "pages_plain/"}, std::pair{true, "pages_separator/"}}) {
        const std::vector<std::string> pages = phonebook::mainUnitSystemPages(source, separator);
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(pages[0], readBytes(golden(std::string(folder) + "sys-tan000.txt"))) << folder;
        EXPECT_EQ(pages[1], readBytes(golden(std::string(folder) + "sys-tan500.txt"))) << folder;
    }
}

TEST_F(filePages, MyPhonebookSplitsIntoFourPagesWithJoinedPositions) {
    const std::string source = readBytes(golden("my_phonebook.rkdat"));
    for (const auto& [separator, folder] :
         {std::pair{false, "pages_plain/"}, std::pair{true, "pages_separator/"}}) {
        const std::vector<std::string> pages = phonebook::mainUnitTelephonePages(source, separator);
        ASSERT_EQ(pages.size(), 4u);
        for (std::size_t i = 0; i < pages.size(); ++i)
            EXPECT_EQ(pages[i],
                      readBytes(golden(std::string(folder) + std::string(phonebook::kTelephonePageFiles[i]))))
                << folder << i;
    }
}

TEST_F(filePages, ALetterSInANameReadsAsASeparatorOnTheMainUnit) {
    // Known and kept: the main unit of firmware 1.00 cannot tell the two apart.
    const std::string source = "header\r\ncolumns\r\n005,1,ABC s,x,07\r\n";
    EXPECT_EQ(phonebook::mainUnitSystemPages(source, true)[0],
              "<root>\n\n<systan>\n\n005s1sABC ssxs07\n\n</systan>\n\n</root>\n");
}

TEST_F(filePages, LinesNotStartingWithADigitAreSkippedAndTheLastRecordHasNoComma) {
    const std::string source = "2header\r\ncolumns\r\n000,1,,,01\r\n\r\n# note\r\n001,2,,,01\n002,3,,,01";
    EXPECT_EQ(phonebook::mainUnitSystemPages(source, false)[0],
              "<root>\n\n<systan>\n\n000,1,,,01,\n\n001,2,,,01,\n\n002,3,,,01\n\n</systan>\n\n</root>\n");
    const std::vector<std::string> empty = phonebook::mainUnitTelephonePages("", false);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], "<root>\n\n<teltan>\n\n</teltan>\n\n</root>\n");
}

TEST_F(filePages, WrittenFilesComeFromAFreshlyWrittenSysTan) {
    TempDirectory folder;
    useMode990();
    storeGoldenCommonEntries();
    storeGoldenMyEntries(); // 990 mode keeps only the memories 990..999 of them
    phonebook::PhonebookFileSettings& settings = fileSettings();
    settings.phoneDir = folder.path().string() + "/";
    settings.phoneFileName = "sys-tan.txt";
    settings.unitOrderFlag = 1;
    ASSERT_EQ(phonebook::writePhonebookFile(ws(), ui(), 1), 0);
    ASSERT_EQ(phonebook::makeMainUnitSystemFiles(folder / "sys-tan.txt", folder / "sys-tan000.txt", false),
              0);
    EXPECT_EQ(readBytes(folder / "sys-tan000.txt"), readBytes(golden("pages_plain/sys-tan000.txt")));
    EXPECT_EQ(readBytes(folder / "sys-tan500.txt"), readBytes(golden("pages_plain/sys-tan500.txt")));

    settings.phoneFileName = "tel-tan.txt";
    settings.unitOrderFlag = 0;
    ASSERT_EQ(phonebook::writePhonebookFile(ws(), ui(), 2), 0);
    ASSERT_EQ(phonebook::makeMainUnitTelephoneFiles(folder / "tel-tan.txt", folder / "tel-tan101.txt", true),
              0);
    const std::string first = readBytes(folder / "tel-tan101.txt");
    const std::string opening = "<root>\n\n<teltan>\n\n101_980sss,\n\n101_981sss,\n\n";
    EXPECT_EQ(first.substr(0, opening.size()), opening);
    EXPECT_NE(first.find("101_999s200s" + sjis("内線") + "s" + sjis("ﾅｲｾﾝ") + ",\n\n"), std::string::npos);
    EXPECT_NE(first.find("\n\n125_999sss\n\n</teltan>"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder / "tel-tan176.txt"));
}

TEST_F(filePages, AMissingSourceConvertsNothing) {
    TempDirectory folder;
    EXPECT_EQ(phonebook::makeMainUnitSystemFiles(folder / "sys-tan.txt", folder / "sys-tan000.txt", false),
              30);
    EXPECT_EQ(phonebook::makeMainUnitTelephoneFiles(folder.path(), folder / "tel-tan101.txt", false), 30);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

} // namespace
} // namespace rk::testing
