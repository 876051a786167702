// rkdial-cli convert, run as a program on files in a temporary folder.
#include "phonebook_file_fixture.h"
#include "support/process.h"

#include <gtest/gtest.h>

namespace rk::testing {
namespace {

const std::string kCli = RKDIAL_CLI_PATH;

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

class fileConvertCli : public ::testing::Test {
protected:
    TempDirectory folder;

    ProcessResult convert(const std::string& arguments) {
        return runCommand("cd " + quoted(folder.path()) + " && " + kCli + " convert " + arguments + " 2>&1");
    }
};

TEST_F(fileConvertCli, CopiesAFileThroughAFreshImage) {
    const ProcessResult result = convert("--kind common --memory 990 --in " +
                                         quoted(golden("common_kana_first.rkdat")) + " --out out.csv");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "");
    const std::string expected = readBytes(golden("common_kana_first.rkdat"));
    const std::string written = readBytes(folder / "out.csv");
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_EQ(written.substr(12), expected.substr(12)) << "all but the time of saving";
}

TEST_F(fileConvertCli, LaterFilesOverwriteOnlyWhatTheyList) {
    writeBytes(folder / "patch.csv",
               sjis("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n0,0399,ﾃｽﾄ,試験,2\r\n"));
    const ProcessResult result =
        convert("--kind common --memory 600 --in " + quoted(golden("common_kana_first.rkdat")) +
                " --in patch.csv --out merged.rkdat");
    ASSERT_EQ(result.status, 0) << result.output;
    const std::string merged = readBytes(folder / "merged.rkdat");
    EXPECT_NE(merged.find("\r\n000,0399," + sjis("ﾃｽﾄ,試験") + ",02\r\n001,09011112222,"), std::string::npos);
    EXPECT_NE(merged.find("\r\n500,0120999888,"), std::string::npos);
    EXPECT_NE(merged.find("\r\n989,,,,01\r\n"), std::string::npos)
        << "990 lines, the last ones empty in 600 mode";
}

TEST_F(fileConvertCli, MyPhonebookIn990Mode) {
    const ProcessResult result =
        convert("--kind my --memory 990 --in " + quoted(golden("my_phonebook.rkdat")) + " --out my.rkdat");
    ASSERT_EQ(result.status, 0) << result.output;
    const std::string written = readBytes(folder / "my.rkdat");
    EXPECT_NE(written.find("\r\n101,980,,,\r\n"), std::string::npos);
    EXPECT_NE(written.find("\r\n101,999,200," + sjis("内線,ﾅｲｾﾝ") + "\r\n"), std::string::npos);
}

TEST_F(fileConvertCli, FailuresShowTheWindowsMessagesAndExitWith1) {
    const ProcessResult missing = convert("--kind common --memory 600 --in none.csv --out out.rkdat");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, " ファイルが見つかりません。再度ファイルを選択して下さい。\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "out.rkdat"));

    writeBytes(folder / "blocker", "x");
    const ProcessResult unwritable = convert(
        "--kind my --memory 600 --in " + quoted(golden("my_phonebook.rkdat")) + " --out blocker/out.rkdat");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.output, "ファイルデータ保存エラー発生\n");

    const ProcessResult usage = convert("--kind both --memory 600 --in a --out b");
    EXPECT_EQ(usage.status, 1);
    EXPECT_NE(usage.output.find("Usage: rkdial-cli convert"), std::string::npos);
    EXPECT_EQ(convert("--kind common --memory 600 --out b").status, 1) << "no input";
}

} // namespace
} // namespace rk::testing
