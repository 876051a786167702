// Save files on disk: the file routines, the location settings, the replacement that never
// destroys the previous file, and the six carried header fields across reads.
#include "phonebook/save_file.h"
#include "phonebook_file_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rk::testing {
namespace {

class fileSave : public PhonebookFileTest {};

using phonebook::FileStepResult;

TEST_F(fileSave, RkdatAndCsvHoldTheSameBytesAndLoadBack) {
    TempDirectory folder;
    storeGoldenCommonEntries();
    ASSERT_EQ(saveFile(folder / "book.rkdat", 1), FileStepResult::Done);
    ASSERT_EQ(saveFile(folder / "book.csv", 1), FileStepResult::Done);
    EXPECT_EQ(fileSettings().phoneDir, folder.path().string() + "/");
    EXPECT_EQ(fileSettings().phoneFileName, "book.csv");
    const std::string rkdat = readBytes(folder / "book.rkdat");
    const std::string csv = readBytes(folder / "book.csv");
    ASSERT_EQ(rkdat.size(), csv.size());
    EXPECT_EQ(rkdat.substr(10), csv.substr(10)) << "only the minute of saving may differ";
    EXPECT_EQ(rkdat[0], '2');

    image::initialiseImage(img());
    ASSERT_EQ(loadFile(folder / "book.csv", 1), FileStepResult::Done);
    EXPECT_EQ(system(5).kanjiText(), sjis("ＡＢＣ商事"));
    EXPECT_EQ(system(501).numberText(), "012345678901234567890123");
    EXPECT_TRUE(messages().empty());
}

TEST_F(fileSave, MissingFilesAndPlacesThatAreNoFileAreRefusedWithTheirMessages) {
    TempDirectory folder;
    storeSystem(0, "55");
    EXPECT_EQ(loadFile(folder / "none.rkdat", 1), FileStepResult::Cancelled);
    EXPECT_EQ(loadFile(folder.path(), 1), FileStepResult::Cancelled);
    EXPECT_EQ(system(0).numberText(), "55");

    writeBytes(folder / "blocker", "x");
    EXPECT_EQ(saveFile(folder / "blocker" / "sub" / "a.rkdat", 1), FileStepResult::Failed);
    // A directory, a pipe, and a link to a pipe: nothing takes their place, nothing is left beside.
    std::filesystem::create_directory(folder / "folder.rkdat");
    ASSERT_EQ(::mkfifo((folder / "pipe.rkdat").c_str(), 0600), 0);
    std::filesystem::create_symlink(folder / "pipe.rkdat", folder / "link.rkdat");
    for (const char* name : {"folder.rkdat", "pipe.rkdat", "link.rkdat"})
        EXPECT_EQ(saveFile(folder / name, 1), FileStepResult::Failed) << name;
    EXPECT_TRUE(std::filesystem::is_directory(folder / "folder.rkdat"));
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "pipe.rkdat"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.rkdat"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
    EXPECT_EQ(entries, 4u) << "no temporary file is left behind";

    const auto notAFile = [&](const char* name) {
        return platform::writeFailureText({folder / name, platform::WriteFailure::kNotRegularFile});
    };
    const std::string expected[] = {
        sjis(" ファイルが見つかりません。再度ファイルを選択して下さい。"),
        sjis("ファイルが読み込めません。\n\n他のアプリケーションで使用していないか、確認して下さい。"),
        sjis("\nファイルデータ保存エラー発生\n"),
        notAFile("folder.rkdat"),
        notAFile("pipe.rkdat"),
        notAFile("link.rkdat"),
    };
    const std::vector<platform::MessageRequest> shown = messages();
    ASSERT_EQ(shown.size(), std::size(expected));
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].text, expected[i]) << i;
    EXPECT_NE(text::cp932ToUtf8(expected[4]).find("pipe.rkdat は通常のファイルではないため"),
              std::string::npos);

    // A missing directory is created on the second attempt.
    EXPECT_EQ(saveFile(folder / "new" / "deeper" / "a.rkdat", 2), FileStepResult::Done);
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
    EXPECT_EQ(saveFile(target, 1), FileStepResult::Failed);
    platform::setFileWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(readBytes(target), before);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
    EXPECT_EQ(entries, 1u) << "no temporary file is left behind";

    // The next save that succeeds replaces it and keeps its permissions.
    EXPECT_EQ(saveFile(target, 1), FileStepResult::Done);
    EXPECT_NE(readBytes(target), before);
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(fileSave, CarriedFieldsComeFromTheLastFileReadAndAreZeroedByEveryRead) {
    TempDirectory folder;
    ASSERT_EQ(loadFile(golden("common_kana_first.rkdat"), 1), FileStepResult::Done);
    ASSERT_EQ(saveFile(folder / "a.rkdat", 2), FileStepResult::Done);
    const std::string goldenHeader = readBytes(golden("common_kana_first.rkdat")).substr(12, 180);
    EXPECT_EQ(readBytes(folder / "a.rkdat").substr(12, 180), goldenHeader);

    writeBytes(folder / "plain.csv", "columns\r\n0,1,,,1\r\n");
    ASSERT_EQ(loadFile(folder / "plain.csv", 1), FileStepResult::Done);
    EXPECT_EQ(system(0).numberText(), "1");
    ASSERT_EQ(saveFile(folder / "b.rkdat", 1), FileStepResult::Done);
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

TEST_F(fileWriter, ClearsTheTemporariesOfEarlierSavesWhoseProcessIsGone) {
    TempDirectory folder;
    const std::filesystem::path target = folder / "book.rkdat";
    writeBytes(target, "old");
    // A process that has ended, as a save killed half-way.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(::getpid());
    const std::pair<std::string, bool> temporaries[] = {
        {".book.rkdat." + dead + ".0.tmp", false},  // of a process that is gone
        {".book.rkdat." + dead + ".17.tmp", false}, // another of the same
        {".book.rkdat." + alive + ".3.tmp", true},  // of a save still under way
        {".book.rkdat.1.4.tmp", true},              // of a process that still runs
        {".other.rkdat." + dead + ".0.tmp", true},  // of another file
        {".book.rkdat." + dead + ".x.tmp", true},   // not a name a save makes
        {"book.rkdat." + dead + ".0.tmp", true},    // nor this
    };
    for (const auto& [name, kept] : temporaries) writeBytes(folder / name, "partial");
    ASSERT_TRUE(platform::replaceFile(target, "new"));
    EXPECT_EQ(readBytes(target), "new");
    for (const auto& [name, kept] : temporaries)
        EXPECT_EQ(std::filesystem::exists(folder / name), kept) << name;

    // A pipe in the target's place is left as it is.
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    platform::WriteFailure failure;
    EXPECT_FALSE(platform::replaceFile(folder / "pipe", "x", &failure));
    EXPECT_EQ(failure.error, platform::WriteFailure::kNotRegularFile);
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "pipe"));
}

} // namespace
} // namespace rk::testing
