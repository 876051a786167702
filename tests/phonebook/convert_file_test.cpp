// rkdial-cli convert, run as a program on files in a temporary folder.
#include "phonebook_file_fixture.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F(fileConvertCli, FailuresSayWhyAndLeaveTheOutputAsItWas) {
    writeBytes(folder / "out.rkdat", "previous");
    writeBytes(folder / "blocker", "x");
    writeBytes(folder / "empty.csv", "");
    writeBytes(folder / "random.csv", std::string("\x8f\x00\xff\x13 no line ends \x81", 20));
    ASSERT_EQ(::mkfifo((folder / "pipe.rkdat").c_str(), 0600), 0);
    const std::string noLineEnd =
        ": line 1: no CR LF line end anywhere (lines must end with CR LF): nothing is stored\n";
    const std::string my = quoted(golden("my_phonebook.rkdat"));
    const struct {
        std::string arguments;
        int status;
        std::string output;
    } cases[] = {
        {"--kind common --memory 600 --in none.csv --out out.rkdat", 1,
         " ファイルが見つかりません。再度ファイルを選択して下さい。\n"},
        {"--kind my --memory 600 --in " + my + " --out blocker/out.rkdat", 1,
         "ファイルデータ保存エラー発生\n"},
        // What would store nothing is no empty phonebook: it is refused before anything is saved.
        {"--kind common --memory 600 --in empty.csv --out out.rkdat", 1,
         "rkdial-cli: empty.csv is no common phonebook file" + noLineEnd},
        {"--kind common --memory 600 --in " + quoted(golden("common_kana_first.rkdat")) +
             " --in random.csv --out out.rkdat",
         1,
         "rkdial-cli: " + golden("common_kana_first.rkdat").string() +
             ": 600 memories stored, 0 changed by the load, 1 line not stored (rkdial-cli check shows each "
             "finding)\nrkdial-cli: random.csv is no common phonebook file" +
             noLineEnd},
        {"--kind common --memory 600 --in " + my + " --out out.rkdat", 1,
         "rkdial-cli: " + golden("my_phonebook.rkdat").string() +
             " is no common phonebook file: line 3: the first record line must begin with memory 000 "
             "(\"000\" or \"0,\"): nothing is stored\n"},
        {"--kind my --memory 600 --in " + my + " --out pipe.rkdat", 1,
         (folder / "pipe.rkdat").string() + " は通常のファイルではないため、書き込めません。\n"},
        {"--kind both --memory 600 --in a --out b", 2,
         "rkdial-cli convert: --kind: must be common or my, not \"both\"\n"
         "Usage: rkdial-cli convert --kind common|my --memory 600|990 --in FILE [--in FILE ...] --out "
         "FILE\n"},
        {"--kind common --memory 600 --out b", 2,
         "rkdial-cli convert: --in is required\n"
         "Usage: rkdial-cli convert --kind common|my --memory 600|990 --in FILE [--in FILE ...] --out "
         "FILE\n"},
        {"--kind my --memory 600 --in " + my + " --out a --out out.rkdat", 2,
         "rkdial-cli convert: --out is given 2 times: give it once\n"
         "Usage: rkdial-cli convert --kind common|my --memory 600|990 --in FILE [--in FILE ...] --out "
         "FILE\n"},
    };
    for (const auto& [arguments, status, output] : cases) {
        const ProcessResult result = convert(arguments);
        EXPECT_EQ(result.status, status) << arguments;
        EXPECT_EQ(result.output, output) << arguments;
        EXPECT_EQ(readBytes(folder / "out.rkdat"), "previous") << arguments;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "pipe.rkdat"));
    EXPECT_FALSE(std::filesystem::exists(folder / "a"));

    // A phonebook file whose memories are all empty is a phonebook all the same.
    std::string emptyBook = sjis("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n");
    for (int memory = 0; memory < 990; ++memory) emptyBook += std::to_string(memory) + ",,,,01\r\n";
    writeBytes(folder / "cleared.csv", emptyBook);
    const ProcessResult cleared = convert("--kind common --memory 600 --in cleared.csv --out out.rkdat");
    EXPECT_EQ(cleared.status, 0) << cleared.output;
    EXPECT_NE(readBytes(folder / "out.rkdat").find("\r\n000,,,,01\r\n"), std::string::npos);

    const ProcessResult help = runCommand(kCli + " convert --help 2>/dev/null");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: rkdial-cli convert --kind common|my", 0), 0u) << help.output;
}

} // namespace
} // namespace rk::testing
