// Save files on disk: the file routines, the location settings, the replacement that never
// destroys the previous file, and the six carried header fields across reads.
#include "phonebook/save_file.h"
#include "phonebook_file_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace rk::testing {
namespace {

class fileSave : public PhonebookFileTest {};

TEST_F(fileSave, RkdatAndCsvHoldTheSameBytesAndLoadBack) {
    TempDirectory folder;
    storeGoldenCommonEntries();
    ASSERT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder / "book.rkdat", 1), 0);
    ASSERT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder / "book.csv", 1), 0);
    EXPECT_EQ(fileSettings().phoneDir, folder.path().string() + "/");
    EXPECT_EQ(fileSettings().phoneFileName, "book.csv");
    const std::string rkdat = readBytes(folder / "book.rkdat");
    const std::string csv = readBytes(folder / "book.csv");
    ASSERT_EQ(rkdat.size(), csv.size());
    EXPECT_EQ(rkdat.substr(10), csv.substr(10)) << "only the minute of saving may differ";
    EXPECT_EQ(rkdat[0], '2');

    image::initialiseImage(img());
    ASSERT_EQ(phonebook::loadPhonebookFile(ws(), ui(), folder / "book.csv", 1), 0);
    EXPECT_EQ(system(5).kanjiText(), sjis("ＡＢＣ商事"));
    EXPECT_EQ(system(501).numberText(), "012345678901234567890123");
}

TEST_F(fileSave, MissingFilesDirectoriesAndUncreatableFilesGive30) {
    TempDirectory folder;
    storeSystem(0, "55");
    EXPECT_EQ(phonebook::loadPhonebookFile(ws(), ui(), folder / "none.rkdat", 1), 30);
    EXPECT_EQ(phonebook::loadPhonebookFile(ws(), ui(), folder.path(), 1), 30);
    EXPECT_EQ(system(0).numberText(), "55");

    writeBytes(folder / "blocker", "x");
    EXPECT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder / "blocker" / "sub" / "a.rkdat", 1), 30);
    EXPECT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder.path(), 1), 30)
        << "a directory is not replaced";
    EXPECT_TRUE(std::filesystem::is_directory(folder.path()));

    // A missing directory is created on the second attempt.
    EXPECT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder / "new" / "deeper" / "a.rkdat", 2), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "new" / "deeper" / "a.rkdat"));
}

TEST_F(fileSave, ASaveThatFailsHalfWayLeavesThePreviousFileByteIdentical) {
    TempDirectory folder;
    const std::filesystem::path target = folder / "book.rkdat";
    std::filesystem::copy_file(golden("common_kana_first.rkdat"), target);
    ::chmod(target.c_str(), 0640);
    const std::string before = readBytes(target);

    storeSystem(0, "999");
    platform::setFileWriteLimitForTesting(4000); // the disk fills up a third of the way through
    EXPECT_EQ(phonebook::savePhonebookFile(ws(), ui(), target, 1), 30);
    platform::setFileWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(readBytes(target), before);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
    EXPECT_EQ(entries, 1u) << "no temporary file is left behind";

    // The next save that succeeds replaces it and keeps its permissions.
    EXPECT_EQ(phonebook::savePhonebookFile(ws(), ui(), target, 1), 0);
    EXPECT_NE(readBytes(target), before);
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(fileSave, CarriedFieldsComeFromTheLastFileReadAndAreZeroedByEveryRead) {
    TempDirectory folder;
    ASSERT_EQ(phonebook::loadPhonebookFile(ws(), ui(), golden("common_kana_first.rkdat"), 1), 0);
    ASSERT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder / "a.rkdat", 2), 0);
    const std::string goldenHeader = readBytes(golden("common_kana_first.rkdat")).substr(12, 180);
    EXPECT_EQ(readBytes(folder / "a.rkdat").substr(12, 180), goldenHeader);

    writeBytes(folder / "plain.csv", "columns\r\n0,1,,,1\r\n");
    ASSERT_EQ(phonebook::loadPhonebookFile(ws(), ui(), folder / "plain.csv", 1), 0);
    EXPECT_EQ(system(0).numberText(), "1");
    ASSERT_EQ(phonebook::savePhonebookFile(ws(), ui(), folder / "b.rkdat", 1), 0);
    const std::string blank = "," + std::string(24, ' ') + "," + std::string(24, ' ') + "," +
                              std::string(24, ' ') + "," + std::string(24, ' ') + "," + std::string(72, ' ') +
                              ",    \r\n";
    EXPECT_EQ(readBytes(folder / "b.rkdat").substr(12, 180), blank);
}

TEST_F(fileSave, SpaceEstimatesFollowTheMemoryCount) {
    EXPECT_EQ(phonebook::saveSpaceEstimate(1, 80), 2000u);
    EXPECT_EQ(phonebook::saveSpaceEstimate(1, 600), 7000u);
    EXPECT_EQ(phonebook::saveSpaceEstimate(1, 990), 12000u);
    EXPECT_EQ(phonebook::saveSpaceEstimate(2, 10), 2000u);
    EXPECT_EQ(phonebook::saveSpaceEstimate(2, 20), 4000u);
}

class fileWriter : public PhonebookFileTest {};

TEST_F(fileWriter, ReplacesOnlyOnCommitAndDiscardsOtherwise) {
    TempDirectory folder;
    const std::filesystem::path target = folder / "t.txt";
    writeBytes(target, "old");
    {
        platform::FileWriter writer;
        ASSERT_TRUE(writer.open(target));
        EXPECT_TRUE(writer.write("new content"));
        EXPECT_EQ(readBytes(target), "old") << "nothing visible before the commit";
    } // dropped without commit
    EXPECT_EQ(readBytes(target), "old");
    platform::FileWriter writer;
    ASSERT_TRUE(writer.open(target));
    writer.write("new ");
    writer.write("content");
    EXPECT_TRUE(writer.commit());
    EXPECT_EQ(readBytes(target), "new content");
    EXPECT_FALSE(writer.commit()) << "a committed writer is closed";

    // Through a symbolic link the file behind it is replaced and the link stays.
    writeBytes(folder / "real.txt", "real");
    std::filesystem::create_symlink(folder / "real.txt", folder / "link.txt");
    EXPECT_TRUE(platform::replaceFile(folder / "link.txt", "through the link"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.txt"));
    EXPECT_EQ(readBytes(folder / "real.txt"), "through the link");

    platform::setFileWriteLimitForTesting(3);
    ASSERT_TRUE(writer.open(target));
    EXPECT_FALSE(writer.write("four"));
    EXPECT_FALSE(writer.write("x")) << "after a failure every write fails";
    EXPECT_FALSE(writer.commit());
    EXPECT_EQ(readBytes(target), "new content");
}

} // namespace
} // namespace rk::testing
