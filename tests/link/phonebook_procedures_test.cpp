#include "link/phonebook_procedures.h"

#include "platform/file_writer.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_seam.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace {

std::tm march5th0709() {
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 5;
    time.tm_hour = 7;
    time.tm_min = 9;
    return time;
}

// A data-set file as the main unit's conversion leaves it: a 192-byte header line, then records.
std::string dataSetFile(const std::string& body) {
    return std::string(190, 'H') + "\r\n" + body;
}

} // namespace

TEST(DataSetJoin, HeaderRecordIsTheStampAndBlankFieldsIn192Bytes) {
    const auto record = rk::link::dataSetHeaderRecord(march5th0709());
    const std::string bytes(record.begin(), record.end());
    ASSERT_EQ(bytes.size(), 192u);
    EXPECT_EQ(bytes.substr(0, 12), "202403050709");
    // Columns 13, 38, 63, 88, 113 and 186 (counted from 1) hold the commas, the rest is blank.
    for (std::size_t column = 13; column <= 190; ++column) {
        const bool comma =
            column == 13 || column == 38 || column == 63 || column == 88 || column == 113 || column == 186;
        EXPECT_EQ(bytes[column - 1], comma ? ',' : ' ') << "column " << column;
    }
    EXPECT_EQ(bytes[190], '\n');
    EXPECT_EQ(bytes[191], '\0');
}

TEST(DataSetJoin, ChunksLoseLeadingWhiteSpaceAndEndAtTheirFirstZero) {
    const std::string chunk = std::string(" \t\r\n*0011#2#\0tail", 17);
    EXPECT_EQ(rk::link::dataSetChunkText(chunk), "*0011#2#");
    EXPECT_EQ(rk::link::dataSetChunkText(std::string(192, ' ')), "");
    EXPECT_EQ(rk::link::dataSetChunkText(" \v*1\n"), "\v*1\n"); // only blank, tab, CR and LF are trimmed
}

TEST(DataSetJoin, JoinsPresentFilesChunkByChunkAndSkipsMissingOnes) {
    rk::testing::TempDir work;
    // dset-000: a whitespace-only chunk between two records; dset-300: one chunk shorter than 192
    // bytes; dset-800 and dset-9000 come last, the latter with bytes after a zero byte.
    const std::string record1 = "*0011#\n" + std::string(185, ' ');
    const std::string blankChunk = std::string(100, ' ') + "\r\n" + std::string(90, '\t');
    const std::string record2 = "\n\n*0021#2#\n";
    work.write("dset-000.txt", dataSetFile(record1 + blankChunk + record2));
    work.write("dset-300.txt", dataSetFile("  *3001#\n"));
    work.write("dset-9000.txt", dataSetFile(std::string("*91001#\n\0ignored", 16)));
    work.write("dset-800.txt", dataSetFile("*8001#\n"));
    work.write("dset-200.txt", "short");                    // no complete header: contributes nothing
    work.write("dset-366-1.txt", dataSetFile("*36611#\n")); // not one of the joined names

    ASSERT_TRUE(rk::link::joinDataSetFiles(work.str() + "/", march5th0709()));
    const std::string joined = work.read("data-set.txt");
    const auto header = rk::link::dataSetHeaderRecord(march5th0709());
    ASSERT_GE(joined.size(), 192u);
    EXPECT_EQ(joined.substr(0, 192), std::string(header.begin(), header.end()));
    EXPECT_EQ(joined.substr(192), "*0011#\n" + std::string(185, ' ') + "*0021#2#\n*3001#\n*8001#\n*91001#\n");
}

TEST(DataSetJoin, NoFilesGiveTheHeaderRecordOnly) {
    rk::testing::TempDir work;
    ASSERT_TRUE(rk::link::joinDataSetFiles(work.str() + "/", march5th0709()));
    EXPECT_EQ(work.read("data-set.txt").size(), 192u);
    EXPECT_FALSE(rk::link::joinDataSetFiles(work.str() + "/missing/", march5th0709()));
}

TEST(WriteProcedure, PagesOfAnEarlierWriteAreNeverSentAgain) {
    rk::testing::TempDir work;
    rk::Workspace workspace;
    workspace.flags().startupDir = work.str();
    work.write("sys-tan000.txt", "stale page of an earlier write");
    work.write("tel-tan176.txt", "stale page of an earlier write");
    // sys-tan.txt cannot be written: a folder holds its name.
    std::filesystem::create_directory(work / "sys-tan.txt");

    rk::testing::RecordingUi ui;
    ui.allowPlainMessages();
    rk::testing::TestSeam seam(ui);
    rk::link::DeviceSession session(workspace, seam);
    rk::link::PhonebookProcedures procedures(workspace, session);
    procedures.prepareWrite("1234");
    EXPECT_NE(work.read("sys-tan000.txt"), "stale page of an earlier write");
    EXPECT_NE(work.read("tel-tan176.txt"), "stale page of an earlier write");
    EXPECT_FALSE(work.read("tel-tan101.txt").empty()); // the telephone pages were made all the same
    EXPECT_EQ(session.workDirectory(), work.str());
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, rk::platform::writeFailureText(
                                      {work / "sys-tan.txt", rk::platform::WriteFailure::kNotRegularFile}));
    ui.clear();

    // A speed-dial file of an earlier write that cannot be replaced now (a full disk) must not
    // become the pages of this one.
    std::filesystem::remove(work / "sys-tan.txt");
    work.write("sys-tan.txt",
               work.read("tel-tan.txt").substr(0, 192) + "stale phonebook of an earlier write\r\n");
    // The file is named with the reason before the write goes on to fail.
    rk::platform::setFileWriteFailureForTesting(
        [](const std::filesystem::path& target) { return target.filename() == "sys-tan.txt"; });
    procedures.prepareWrite("1234");
    rk::platform::setFileWriteFailureForTesting({});
    EXPECT_EQ(work.read("sys-tan000.txt"), "");
    EXPECT_FALSE(work.read("tel-tan101.txt").empty());
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, rk::platform::writeFailureText({work / "sys-tan.txt", ENOSPC}));

    // Likewise a page file.
    ui.clear();
    rk::platform::setFileWriteFailureForTesting(
        [](const std::filesystem::path& target) { return target.filename() == "tel-tan151.txt"; });
    procedures.prepareWrite("1234");
    rk::platform::setFileWriteFailureForTesting({});
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, rk::platform::writeFailureText({work / "tel-tan151.txt", ENOSPC}));
}
