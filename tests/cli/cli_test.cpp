#include "cli/options.h"
#include "cli/terminal_ui.h"
#include "platform/text.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <vector>

using rk::testing::runCommand;

extern char** environ;

namespace {

const std::string kCli = RKDIAL_CLI_PATH;

} // namespace

TEST(CommandLine, HelpListsTheCommandsAndSucceeds) {
    auto result = runCommand(kCli + " --help 2>&1");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("Usage: rkdial-cli COMMAND"), std::string::npos);
    EXPECT_NE(result.output.find("version"), std::string::npos);
}

TEST(CommandLine, VersionNamesTheRelease) {
    auto result = runCommand(kCli + " --version");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "rkdial-cli 5.1.0.1\n");
}

TEST(CommandLine, UnknownCommandOrNoneIsAUsageError) {
    auto unknown = runCommand(kCli + " frobnicate 2>&1 >/dev/null");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("unknown command \"frobnicate\""), std::string::npos);
    auto none = runCommand(kCli + " 2>&1 >/dev/null");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.output.find("Usage:"), std::string::npos);
}

// Every command: --help on standard output with status 0; a command line it cannot use refused
// with status 2 and the reason first on standard error.
TEST(CommandLine, EveryCommandHelpsAndRefusesWhatItCannotUse) {
    for (const char* command : {"help", "version", "convert", "check", "exec", "dataset", "read", "write",
                                "history", "diff", "restore", "serve", "import"}) {
        const auto help = runCommand(kCli + " " + command + " --help 2>&1 >/dev/null");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.output, "") << command;
        const auto shown = runCommand(kCli + " " + command + " --help 2>/dev/null");
        EXPECT_NE(shown.output.find("Usage: rkdial-cli " + std::string(command)), std::string::npos)
            << shown.output;
    }
    const std::string transfer = " --host pbx --password 1234 --dir /nonexistent/rk";
    const std::pair<std::string, std::string> refused[] = {
        {"read" + transfer + " --port 70000",
         "rkdial-cli read: --port: must be a port from 1 to 65535, not \"70000\""},
        {"write" + transfer + " --listen-port 0",
         "rkdial-cli write: --listen-port: must be a port from 1 to 65535, not \"0\""},
        {"serve --port 65536", "rkdial-cli serve: --port: must be a port from 0 to 65535, not \"65536\""},
        {"serve --port 8o", "rkdial-cli serve: --port: must be a port from 0 to 65535, not \"8o\""},
        {"serve --memory 700", "rkdial-cli serve: --memory: must be 600 or 990, not \"700\""},
        {"diff a b --memory 60", "rkdial-cli diff: --memory: must be 600 or 990, not \"60\""},
        {"exec --memory 990 --memory 600 '*120#'",
         "rkdial-cli exec: --memory is given 2 times: give it once"},
        {"check --kind common --kind my file", "rkdial-cli check: --kind is given 2 times: give it once"},
        {"diff a b --host pbx --host other", "rkdial-cli diff: --host is given 2 times: give it once"},
        {"read" + transfer + " --save-common book.rkdat --save-my ./book.rkdat",
         "rkdial-cli read: --save-common and --save-my name the same file"},
        {"serve --save-common book.rkdat --save-my book.rkdat",
         "rkdial-cli serve: --save-common and --save-my name the same file"},
        {"write --host pbx --dry-run --verify", "rkdial-cli write: --dry-run excludes --verify"},
        {"write --password 1234 --dry-run", "rkdial-cli write: --dry-run needs --host"},
        {"restore" + transfer, "rkdial-cli restore: SNAPSHOT is required"},
        {"history --frob", "rkdial-cli history: The following argument was not expected: --frob"},
    };
    for (const auto& [arguments, message] : refused) {
        const auto result = runCommand(kCli + " " + arguments + " 2>&1 >/dev/null");
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_EQ(result.output.substr(0, result.output.find('\n')), message) << arguments;
        EXPECT_NE(result.output.find("\nUsage: rkdial-cli "), std::string::npos) << result.output;
    }
}

// The telephone positions an option may name: 101..200, in digits.
TEST(CommandLine, APositionIsATelephoneOf101To200) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--position", "101"}, ""},
        {{"--position", "200"}, ""},
        {{"--position", "100"}, "--position: must be a telephone position from 101 to 200, not \"100\""},
        {{"--position", "201"}, "--position: must be a telephone position from 101 to 200, not \"201\""},
        {{"--position", "1o1"}, "--position: must be a telephone position from 101 to 200, not \"1o1\""},
        {{"--position", "+150"}, "--position: must be a telephone position from 101 to 200, not \"+150\""},
    };
    for (const auto& [arguments, message] : cases) {
        rk::cli::CommandLine line("import", "Usage: rkdial-cli import --position NNN\n");
        int position = 0;
        rk::cli::addPositionOption(line.app(), "--position", position);
        ::testing::internal::CaptureStderr();
        const std::optional<int> status = line.parse(arguments);
        const std::string said = ::testing::internal::GetCapturedStderr();
        if (message.empty()) {
            EXPECT_FALSE(status) << said;
            EXPECT_EQ(std::to_string(position), arguments[1]);
        } else {
            EXPECT_EQ(status, rk::cli::kUsageError);
            EXPECT_EQ(said, "rkdial-cli import: " + message + "\nUsage: rkdial-cli import --position NNN\n");
        }
    }
}

// A file that does not begin as a phonebook file is never loaded as an empty phonebook, which
// would then be saved, served or sent: each command refuses it before it saves, listens or connects.
TEST(CommandLine, NoPhonebookFileIsEverSavedServedOrSent) {
    rk::testing::TempDir work;
    work.write("garbage.csv", std::string(3000, 'x'));
    std::filesystem::create_directories(work / "snapshot");
    work.write("snapshot/snapshot.txt", "direction: read\nmemories: 600\n");
    work.write("snapshot/sys-tan.txt", "");
    work.write("snapshot/tel-tan.txt", "");
    const std::string garbage = (work / "garbage.csv").string();
    const std::string why =
        " is no common phonebook file: line 1: no CR LF line end anywhere (lines must end "
        "with CR LF): nothing is stored\n";
    // Nothing listens on port 1: a command that got as far as connecting would say so.
    const std::string unit = " --host 127.0.0.1 --port 1 --password 1234 --dir " + (work / "pc").string();
    const std::tuple<std::string, int, std::string> cases[] = {
        {"write" + unit + " --common " + garbage + " --no-pauses", 1, "rkdial-cli: " + garbage + why},
        {"write --host 127.0.0.1 --dry-run --common " + garbage, 2, "rkdial-cli: " + garbage + why},
        {"serve --port 0 --common " + garbage + " --save-common " + (work / "saved.rkdat").string(), 1,
         "rkdial-cli: " + garbage + why},
        {"restore " + (work / "snapshot").string() + unit + " --yes --no-pauses", 1,
         "rkdial-cli: " + (work / "snapshot" / "sys-tan.txt").string() + why +
             "rkdial-cli: " + (work / "snapshot" / "tel-tan.txt").string() +
             " is no my phonebook file: line 1: no CR LF line end anywhere (lines must end with CR LF): "
             "nothing "
             "is stored\nrkdial-cli: cannot use the snapshot " +
             (work / "snapshot").string() + "\n"},
        {"diff " + garbage + " " + garbage, 2, "rkdial-cli: " + garbage + why},
    };
    for (const auto& [arguments, status, output] : cases) {
        // A serve that took the file would serve until stopped.
        const auto result = runCommand("timeout 20 " + kCli + " " + arguments + " 2>&1");
        EXPECT_EQ(result.status, status) << arguments;
        EXPECT_EQ(result.output, output) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(work / "saved.rkdat"));
    EXPECT_FALSE(std::filesystem::exists(work / "pc" / "sys-tan.txt"));
}

// Two snapshots written by hand: in each book memories added, cleared and changed, some of them in
// memories that only one of the two memory counts has (common 650: 990 only; my 980..989: 600
// only). B's common phonebook is in the main unit's column order, kanji name first.
TEST(CommandLine, DiffShowsEveryMemoryThatDiffersAndExitsAsDiffDoes) {
    using rk::text::toCp932;
    rk::testing::TempDir work;
    std::filesystem::create_directories(work / "A");
    std::filesystem::create_directories(work / "B");
    const std::string about = "direction: read\nmemories: 600\n";
    work.write("A/snapshot.txt", about);
    work.write("B/snapshot.txt", about);
    work.write("A/sys-tan.txt", toCp932("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n"
                                        "000,0312345678,ﾔﾏﾀﾞ,山田,01\r\n"
                                        "001,0451112222,ﾖｺﾊﾏ,横浜,02\r\n"
                                        "002,117,ｼﾞﾎｳ,時報,01\r\n"
                                        "650,0120000000,ｻﾎﾟｰﾄ,窓口,03\r\n"));
    work.write("B/sys-tan.txt", toCp932("短縮番号,電話番号,漢字名称,カナ名称,グループ番号\r\n"
                                        "000,0312345678,山田,ﾔﾏﾀﾞ,01\r\n"
                                        "001,0451112299,横浜,ﾖｺﾊﾏ,05\r\n"
                                        "003,0669990000,大阪,ｵｵｻｶ,01\r\n"
                                        "650,0120000000,窓口,ｻﾎﾟｰﾄﾞ,03\r\n"));
    // My phonebook files hold 20 lines per position from 101 on; positions 101 and 102 here.
    const auto myFile = [&](const std::map<std::string, std::string>& filled) {
        std::string file = "収容位置,短縮番号,電話番号,漢字名称,カナ名称\r\n";
        for (int position = 101; position <= 102; ++position) {
            for (int memory = 980; memory <= 999; ++memory) {
                const std::string key = std::to_string(position) + "," + std::to_string(memory);
                const auto entry = filled.find(key);
                file += key + "," + (entry == filled.end() ? ",," : entry->second) + "\r\n";
            }
        }
        return toCp932(file);
    };
    work.write("A/tel-tan.txt", myFile({{"101,980", "09011112222,本社,ﾎﾝｼｬ"},
                                        {"101,995", "0311112222,自宅,ｼﾞﾀｸ"},
                                        {"102,990", "0355556666,支店,ｼﾃﾝ"}}));
    work.write("B/tel-tan.txt", myFile({{"101,980", "09011112222,本社,ﾎﾝｼｬ"},
                                        {"101,985", "0399999999,別館,ﾍﾞｯｶﾝ"},
                                        {"101,995", "0311112222,実家,ｼﾞｯｶ"},
                                        {"102,999", "0300000000,倉庫,ｿｳｺ"}}));
    const std::string common =
        "common 001 changed: number \"0451112222\" -> \"0451112299\", group 2 -> 5\n"
        "common 002 cleared: number \"117\", kanji name \"時報\", kana name \"ｼﾞﾎｳ\", group 1\n"
        "common 003 added: number \"0669990000\", kanji name \"大阪\", kana name \"ｵｵｻｶ\", group 1\n";
    const std::string common990 = common + "common 650 changed: kana name \"ｻﾎﾟｰﾄ\" -> \"ｻﾎﾟｰﾄﾞ\"\n";
    const std::string my =
        "my 101_995 changed: kanji name \"自宅\" -> \"実家\", kana name \"ｼﾞﾀｸ\" -> \"ｼﾞｯｶ\"\n"
        "my 102_990 cleared: number \"0355556666\", kanji name \"支店\", kana name \"ｼﾃﾝ\"\n"
        "my 102_999 added: number \"0300000000\", kanji name \"倉庫\", kana name \"ｿｳｺ\"\n";
    const std::string my600 =
        "my 101_985 added: number \"0399999999\", kanji name \"別館\", kana name \"ﾍﾞｯｶﾝ\"\n" + my;
    const std::string a = (work / "A").string();
    const std::string b = (work / "B").string();
    const struct {
        std::string arguments;
        int status;
        std::string output;
    } cases[] = {
        {a + " " + b, 1,
         common + my600 + "common: 1 added, 1 cleared, 1 changed, 597 unchanged\n" +
             "my: 2 added, 1 cleared, 1 changed, 1996 unchanged\n"},
        {a + " " + b + " --memory 990", 1,
         common990 + my + "common: 1 added, 1 cleared, 2 changed, 986 unchanged\n" +
             "my: 1 added, 1 cleared, 1 changed, 997 unchanged\n"},
        {a + "/sys-tan.txt " + b + "/sys-tan.txt --memory 990", 1,
         common990 + "common: 1 added, 1 cleared, 2 changed, 986 unchanged\n"},
        {a + " " + b + " --kind common --json", 1,
         "{\"memories\":600,\"equal\":false,\"differences\":["
         "{\"book\":\"common\",\"memory\":1,\"change\":\"changed\",\"fields\":["
         "{\"field\":\"number\",\"old\":\"0451112222\",\"new\":\"0451112299\"},"
         "{\"field\":\"group\",\"old\":\"2\",\"new\":\"5\"}]},"
         "{\"book\":\"common\",\"memory\":2,\"change\":\"cleared\",\"fields\":["
         "{\"field\":\"number\",\"old\":\"117\",\"new\":\"\"},"
         "{\"field\":\"kanji name\",\"old\":\"時報\",\"new\":\"\"},"
         "{\"field\":\"kana name\",\"old\":\"ｼﾞﾎｳ\",\"new\":\"\"},"
         "{\"field\":\"group\",\"old\":\"1\",\"new\":\"1\"}]},"
         "{\"book\":\"common\",\"memory\":3,\"change\":\"added\",\"fields\":["
         "{\"field\":\"number\",\"old\":\"\",\"new\":\"0669990000\"},"
         "{\"field\":\"kanji name\",\"old\":\"\",\"new\":\"大阪\"},"
         "{\"field\":\"kana name\",\"old\":\"\",\"new\":\"ｵｵｻｶ\"},"
         "{\"field\":\"group\",\"old\":\"1\",\"new\":\"1\"}]}],"
         "\"summary\":{\"common\":{\"added\":1,\"cleared\":1,\"changed\":1,\"unchanged\":597}}}\n"},
        {a + " " + a, 0,
         "common: 0 added, 0 cleared, 0 changed, 600 unchanged\nmy: 0 added, 0 cleared, 0 changed, 2000 "
         "unchanged\n"},
        {a + "/sys-tan.txt " + b + "/tel-tan.txt", 2, ""},
        {a + " " + (work / "missing").string(), 2, ""},
        {a + " last", 2, ""},
    };
    for (const auto& [arguments, status, output] : cases) {
        const auto result = runCommand(kCli + " diff " + arguments + " 2>/dev/null");
        EXPECT_EQ(result.status, status) << arguments;
        EXPECT_EQ(result.output, output) << arguments;
    }
}

// diff reads no more of a file than the load does, so that a huge one costs no memory to speak
// of (a 200 MB file once took 253 MB).
TEST(CommandLine, DiffReadsNoMoreThanTheLoad) {
    rk::testing::TempDir work;
    const std::filesystem::path book = RKDIAL_TEST_DATA "/phonebook_file/common_kana_first.rkdat";
    std::filesystem::copy_file(book, work / "huge.rkdat");
    std::filesystem::resize_file(work / "huge.rkdat", 200u << 20); // the rest reads as zero bytes
    // The most memory a diff of the book with `other` took, in kilobytes.
    const auto peakOfDiffWith = [&](const std::filesystem::path& other) -> long {
        std::vector<std::string> arguments = {kCli, "diff", book.string(), other.string(), "--memory", "990"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t child = -1;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        int status = 0;
        rusage usage{};
        if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return -1;
        return usage.ru_maxrss;
    };
    // Against the same diff of the book with itself, so that a sanitizer's own memory does not count:
    // a read of the whole 200 MB would add at least that much.
    const long small = peakOfDiffWith(book);
    const long huge = peakOfDiffWith(work / "huge.rkdat");
    ASSERT_GT(small, 0);
    ASSERT_GT(huge, 0);
    EXPECT_LT(huge, small + 50 * 1024) << "kilobytes";
}

// Control characters and DEL in the data: the JSON of check and diff stays valid and gives every
// byte back.
TEST(CommandLine, JsonKeepsControlCharactersValid) {
    rk::testing::TempDir work;
    const std::string header = rk::text::toCp932("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n");
    work.write("a.csv", header + "000,0312,ab\x7F,x\ty\x7Fz,01\r\n");
    work.write("b.csv", header + "000,0312,a\tb,x,01\r\n");
    const auto diff = runCommand(kCli + " diff " + (work / "a.csv").string() + " " +
                                 (work / "b.csv").string() + " --json 2>/dev/null");
    EXPECT_EQ(diff.status, 1);
    const nlohmann::json compared = nlohmann::json::parse(diff.output, nullptr, false);
    ASSERT_FALSE(compared.is_discarded()) << diff.output;
    const nlohmann::json& fields = compared["differences"][0]["fields"];
    ASSERT_EQ(fields.size(), 2u) << diff.output;
    EXPECT_EQ(fields[0]["old"], "x\ty\x7Fz");
    EXPECT_EQ(fields[1]["old"], "ab\x7F");
    EXPECT_EQ(fields[1]["new"], "a") << "the reading ends at the tab";

    const auto check =
        runCommand(kCli + " check --kind common " + (work / "b.csv").string() + " --json 2>/dev/null");
    EXPECT_EQ(check.status, 1);
    const nlohmann::json findings = nlohmann::json::parse(check.output, nullptr, false);
    ASSERT_FALSE(findings.is_discarded()) << check.output;
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(findings[0]["value"], "a\tb");
    EXPECT_EQ(findings[0]["stored"], "a");
}

// import as other tools rely on it: one line or JSON object per contact, the result a phonebook
// file, the exit status by what became of the contacts.
TEST(CommandLine, ImportReportsEveryContactAndExitsByWhatBecameOfThem) {
    rk::testing::TempDir work;
    const std::string data = std::string(RKDIAL_TEST_DATA) + "/contacts/";
    const std::string out = (work / "book.rkdat").string();

    const auto json =
        runCommand(kCli + " import " + data + "phone_2_1.vcf --kind common --out " + out + " --json");
    EXPECT_EQ(json.status, 1) << "readings made and numbers changed";
    const nlohmann::ordered_json rows = nlohmann::ordered_json::parse(json.output);
    ASSERT_EQ(rows.size(), 4u);
    std::vector<std::string> keys;
    for (const auto& item : rows[2].items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"source", "record", "memory", "kanji", "kana", "kana_source",
                                              "kana_candidates", "number", "status", "changes"}));
    EXPECT_EQ(rows[2]["source"], "phone_2_1.vcf");
    EXPECT_EQ(rows[2]["record"], 3);
    EXPECT_EQ(rows[2]["memory"], "002");
    EXPECT_EQ(rows[2]["kanji"], "(株)高島屋商会");
    EXPECT_EQ(rows[2]["kana_source"], "made");
    ASSERT_FALSE(rows[2]["kana_candidates"].empty());
    EXPECT_EQ(rows[2]["kana_candidates"][0], rows[2]["kana"]);
    EXPECT_EQ(rows[2]["number"], "0120444555");
    EXPECT_EQ(rows[2]["status"], "stored");
    EXPECT_TRUE(rows[0]["changes"].empty());
    // The result is a phonebook file of the program's own.
    EXPECT_NE(work.read("book.rkdat")
                  .find(rk::text::toCp932("\r\n002,0120444555,ｶ)ﾀｶｼﾏﾔｼｮｳｶｲ,(株)高島屋商会,01\r\n")),
              std::string::npos);

    // Stored exactly as given: exit 0, a line per contact and the summary.
    const auto exact = runCommand(kCli + " import " + data + "phonebook.csv --kind common --out " + out);
    EXPECT_EQ(exact.status, 0);
    EXPECT_EQ(
        exact.output.substr(0, exact.output.find('\n')),
        "phonebook.csv:1 memory 000 kanji \"山田太郎\" kana \"ﾔﾏﾀﾞ\" (contact) number 0312345678 stored");
    EXPECT_NE(exact.output.find("3 contacts: 3 stored, 0 updated"), std::string::npos);

    // Into that book again, updating: every contact finds its number and keeps its memory.
    const auto update = runCommand(kCli + " import " + data + "phonebook.csv --kind common --into " + out +
                                   " --mode update --out " + (work / "again.rkdat").string());
    EXPECT_EQ(update.status, 0) << update.output;
    EXPECT_NE(update.output.find("3 contacts: 0 stored, 3 updated"), std::string::npos) << update.output;

    // A telephone's my phonebook, a memory per number; the memories are named with the position.
    const auto my = runCommand(kCli + " import " + data +
                               "address_book_4_0.vcf --kind my --position 101 --memory 990 "
                               "--all-numbers --json --out " +
                               out);
    EXPECT_EQ(my.status, 1);
    const nlohmann::json myRows = nlohmann::json::parse(my.output);
    ASSERT_EQ(myRows.size(), 4u);
    EXPECT_EQ(myRows[1]["memory"], "101_991");
    EXPECT_EQ(myRows[1]["number"], "0311112222");
    EXPECT_TRUE(myRows[2]["memory"].is_null());
    EXPECT_EQ(myRows[2]["status"], "invalid_number");

    // A source that cannot be read, or options out of place: exit 2 and nothing written.
    std::filesystem::remove(out);
    EXPECT_EQ(runCommand(kCli + " import " + data + "missing.vcf --kind common --out " + out + " 2>/dev/null")
                  .status,
              2);
    EXPECT_EQ(runCommand(kCli + " import " + data + "google_older.csv --kind common --from 600 --out " + out +
                         " 2>/dev/null")
                  .status,
              2);
    EXPECT_EQ(
        runCommand(kCli + " import " + data + "spreadsheet.tsv --kind common --out " + out + " 2>/dev/null")
            .status,
        2)
        << "a spreadsheet without --map";
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(TerminalUi, MessagesAppearInUtf8WithoutTheirFramingLineFeeds) {
    EXPECT_EQ(
        rk::cli::terminalText(rk::text::toCp932("\nメモリ不足のため、\nサーバが起動できませんでした。\n")),
        "メモリ不足のため、\nサーバが起動できませんでした。");
    EXPECT_EQ(rk::cli::terminalText("\n\n"), "");
}

// The commands' options answer the questions of a procedure; a restore asks its own on the
// terminal, through the same seam.
TEST(TerminalUi, QuestionsAreAnsweredFromTheOptionOrAskedOnTheTerminal) {
    std::FILE* sink = std::tmpfile();
    std::FILE* typed = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    ASSERT_NE(typed, nullptr);
    std::fputs("y\nno\n", typed);
    std::rewind(typed);
    using Questions = rk::cli::TerminalUi::Questions;
    rk::cli::TerminalUi yes(sink, nullptr, Questions::AnswerYes);
    rk::cli::TerminalUi no(sink, nullptr, Questions::AnswerNo);
    rk::cli::TerminalUi asked(sink, typed, Questions::Ask);
    using rk::platform::Answer;
    using rk::platform::Buttons;
    const rk::platform::MessageRequest question{{}, "q", "c", Buttons::YesNo, rk::platform::Icon::Question};
    EXPECT_EQ(yes.messageBox(question), Answer::Yes);
    EXPECT_EQ(no.messageBox(question), Answer::No);
    EXPECT_EQ(asked.messageBox(question), Answer::Yes);
    EXPECT_EQ(asked.messageBox(question), Answer::No);
    EXPECT_EQ(asked.messageBox(question), Answer::No) << "nothing more typed";
    EXPECT_FALSE(asked.canAsk()) << "a file is no terminal";
    std::rewind(sink);
    char shown[64] = {};
    ASSERT_GT(std::fread(shown, 1, sizeof shown - 1, sink), 0u);
    EXPECT_STREQ(shown, "q\nq\nq [y/N] q [y/N] q [y/N] ");
    std::fclose(sink);
    std::fclose(typed);
}
