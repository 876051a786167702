// rkdial-cli read and write as a program, against the test main unit on loopback.
#include "history/snapshot_store.h"
#include "mainunit/main_unit_simulator.h"
#include "platform/text.h"
#include "support/ports.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

using rk::mainunit::MainUnitSimulator;
using rk::testing::runCommand;
using rk::text::toCp932;

namespace {

const std::string kCli = RKDIAL_CLI_PATH;
const std::string kMainUnit = RKDIAL_MAINUNIT_PATH;

// Both phonebooks whole, as the main unit sends them, with three entries.
std::vector<rk::mainunit::UnitRecord> book() {
    std::vector<rk::mainunit::UnitRecord> records;
    for (int memory = 0; memory < 990; ++memory) records.push_back({0, memory, "", "", "", 1});
    for (int position = 101; position <= 200; ++position)
        for (int memory = 980; memory <= 999; ++memory) records.push_back({position, memory, "", "", "", 0});
    records[0] = {0, 0, "0312345678", toCp932("山田"), toCp932("ﾔﾏﾀﾞ"), 1};
    records[7] = {0, 7, "117", toCp932("時報"), toCp932("ｼﾞﾎｳ"), 2};
    records[990 + 4 * 20 + 2] = {105, 982, "09011112222", toCp932("営業"), toCp932("ｴｲｷﾞｮｳ"), 0};
    return records;
}

class CliTransfer : public ::testing::Test {
protected:
    // Starts a main unit for one transfer; returns the options that reach it.
    std::string startUnit(MainUnitSimulator::Options options = {}) {
        const int listenPort = rk::testing::reservedPort();
        options.pcPort = listenPort;
        options.systan = rk::mainunit::systanText(book(), false);
        options.teltan = rk::mainunit::teltanText(book(), false);
        unit = std::make_unique<MainUnitSimulator>(options);
        EXPECT_TRUE(unit->start());
        return " --host 127.0.0.1 --port " + std::to_string(unit->port()) + " --listen-port " +
               std::to_string(listenPort) + " --no-pauses";
    }

    static std::size_t position(const std::string& output, const char* text) { return output.find(text); }

    static std::vector<std::string> filesOf(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string contentOf(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    rk::testing::TempDir work;
    std::unique_ptr<MainUnitSimulator> unit;
};

} // namespace

TEST_F(CliTransfer, ReadSavesWhatWasReadAndWriteSendsItBack) {
    const std::string common = (work / "common.rkdat").string();
    const std::string mine = (work / "mine.rkdat").string();
    const std::string history = " --history " + (work / "history").string();
    auto read = runCommand(kCli + " read" + startUnit() + " --password 1234 --dir " + (work / "pc").string() +
                           " --save-common " + common + " --save-my " + mine + history + " 2>&1");
    unit->finish(5);
    ASSERT_EQ(read.status, 0) << read.output;
    EXPECT_LT(position(read.output, "電話帳データの読込を開始します。"),
              position(read.output, "電話帳データの読込が正常に終了しました。"));
    // Not a terminal: the progress comes as plain lines, ending at 100 percent.
    EXPECT_NE(position(read.output, "データ通信実行中 100%\n"), std::string::npos);
    EXPECT_EQ(work.read("pc/data-set.txt").size(), 192u);
    EXPECT_EQ(work.read("pc/sys-tan.txt").substr(0, 2), "20");
    EXPECT_NE(work.read("common.rkdat").find("0312345678"), std::string::npos);
    EXPECT_NE(work.read("common.rkdat").find(toCp932("時報")), std::string::npos);
    EXPECT_NE(work.read("mine.rkdat").find("09011112222"), std::string::npos);

    auto write =
        runCommand(kCli + " write" + startUnit() + " --password 1234 --dir " + (work / "pc2").string() +
                   " --common " + common + " --my " + mine + history + " 2>&1");
    unit->finish(5);
    ASSERT_EQ(write.status, 0) << write.output;
    EXPECT_NE(position(write.output, "電話帳データの書込が正常に終了しました。"), std::string::npos);
    const auto uploads = unit->uploads();
    ASSERT_EQ(uploads.size(), 7u);
    EXPECT_EQ(uploads[0].first, "sys-tan000.txt");
    EXPECT_EQ(uploads[0].second, work.read("pc2/sys-tan000.txt"));
    EXPECT_NE(uploads[0].second.find("0312345678"), std::string::npos);
    EXPECT_NE(work.read("pc2/tel-tan.txt").find("09011112222"), std::string::npos);

    // Two snapshots, newest first: the files as read and as sent, the common phonebook in the
    // column order of the save file so that it loads like one.
    const auto snapshots = rk::history::SnapshotStore(work / "history").list("127.0.0.1");
    ASSERT_EQ(snapshots.size(), 2u);
    const std::vector<std::string> files = {"snapshot.txt", "sys-tan.txt", "tel-tan.txt"};
    const std::filesystem::path& sent = snapshots[0].folder;
    const std::filesystem::path& received = snapshots[1].folder;
    EXPECT_EQ(sent.parent_path(), work / "history" / "127.0.0.1");
    EXPECT_EQ(filesOf(sent), files);
    EXPECT_EQ(filesOf(received), files);
    EXPECT_EQ(contentOf(received / "tel-tan.txt"), work.read("pc/tel-tan.txt"));
    EXPECT_EQ(contentOf(received / "sys-tan.txt").substr(0, 192), work.read("pc/sys-tan.txt").substr(0, 192));
    EXPECT_EQ(contentOf(received / "sys-tan.txt").substr(192), work.read("common.rkdat").substr(192));
    EXPECT_EQ(contentOf(sent / "tel-tan.txt"), work.read("pc2/tel-tan.txt"));
    EXPECT_EQ(contentOf(sent / "sys-tan.txt").substr(192), work.read("common.rkdat").substr(192));
    const std::regex time("time: [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [-+][0-9]{4}\n");
    const std::string about = "host: 127.0.0.1\ndirection: write\nmemories: 600\nfirmware: 1.01\n"
                              "program: 5.1.0.1\ncommon in use: 2\nmy in use: 1\n";
    EXPECT_EQ(std::regex_replace(contentOf(sent / "snapshot.txt"), time, "").substr(0, about.size()), about);
    EXPECT_NE(contentOf(received / "snapshot.txt").find("direction: read\n"), std::string::npos);
    auto same = runCommand(kCli + " diff last " + sent.string() + " --host 127.0.0.1" + history);
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.output, "common: 0 added, 0 cleared, 0 changed, 600 unchanged\n"
                           "my: 0 added, 0 cleared, 0 changed, 2000 unchanged\n");

    // A dry run against the newest read sends nothing: the unit sees no log-in.
    std::string changed = work.read("common.rkdat");
    changed.replace(changed.find("0312345678"), 10, "0312345679");
    work.write("changed.rkdat", changed);
    auto dry = runCommand(kCli + " write" + startUnit() + " --common " + (work / "changed.rkdat").string() +
                          " --my " + mine + " --dry-run" + history + " 2>/dev/null");
    unit->finish(0);
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.output, "common 000 changed: number \"0312345678\" -> \"0312345679\"\n"
                          "common: 0 added, 0 cleared, 1 changed, 599 unchanged\n"
                          "my: 0 added, 0 cleared, 0 changed, 2000 unchanged\n");
    for (const std::string& line : unit->log()) EXPECT_EQ(line.find("PC asked"), std::string::npos) << line;
    EXPECT_TRUE(unit->fileList().empty());
    EXPECT_EQ(rk::history::SnapshotStore(work / "history").list("127.0.0.1").size(), 2u);
}

TEST_F(CliTransfer, AHistoryThatCannotBeWrittenChangesNeitherResultNorMessages) {
    work.write("file", "where the history cannot be");
    const std::string command = kCli + " read" + " --password 1234 --dir " + work.str() + " --history ";
    auto kept = runCommand(command + (work / "history").string() + startUnit() + " 2>&1");
    unit->finish(5);
    auto lost = runCommand(command + (work / "file" / "history").string() + startUnit() + " 2>&1");
    unit->finish(5);
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_EQ(lost.status, 0) << lost.output;
    // The same messages, then one line that says the read was not kept.
    ASSERT_EQ(lost.output.substr(0, kept.output.size()), kept.output);
    const std::string said = lost.output.substr(kept.output.size());
    EXPECT_EQ(said.rfind("rkdial-cli: the history could not keep this read: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
    EXPECT_EQ(rk::history::SnapshotStore(work / "history").list("").size(), 1u);
}

// rkdial-mainunit as a program: it keeps what a write sends, across runs, and a write checked by
// reading back finds what it holds; with its test switch it garbles one memory of every read.
TEST(CliVerify, AWriteIsCheckedAgainstWhatTheUnitReadsBack) {
    rk::testing::TempDir work;
    work.write("common.rkdat", toCp932("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n"
                                       "000,0312345678,ﾔﾏﾀﾞ,山田,01\r\n007,117,ｼﾞﾎｳ,時報,02\r\n"));
    const std::string pcPort = std::to_string(rk::testing::reservedPort());
    const std::string history = " --history " + (work / "history").string();
    const auto startUnit = [&](std::vector<std::string> extra, const char* log) {
        std::vector<std::string> arguments = {
            kMainUnit, "--port", "0", "--pc-port", pcPort, "--store", (work / "unit").string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        auto program = std::make_unique<rk::testing::BackgroundProgram>(arguments, (work / log).string());
        EXPECT_TRUE(program->waitForError("listening on 127.0.0.1:")) << program->errors();
        const std::string said = program->errors();
        const std::string port = said.substr(said.find("127.0.0.1:") + 10);
        return std::make_pair(std::move(program), " --host 127.0.0.1 --port " +
                                                      port.substr(0, port.find('\n')) + " --listen-port " +
                                                      pcPort + " --no-pauses");
    };
    const std::string write = " --password 1234 --dir " + (work / "pc").string() + " --common " +
                              (work / "common.rkdat").string() + history + " 2>/dev/null";
    const std::string unchanged = "my: 0 added, 0 cleared, 0 changed, 2000 unchanged\n";

    auto [unit, reach] = startUnit({}, "unit.log");
    auto checked = runCommand(kCli + " write --verify" + reach + write);
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.output, "common: 0 added, 0 cleared, 0 changed, 600 unchanged\n" + unchanged);
    // The read-back is a snapshot of its own.
    const auto snapshots = rk::history::SnapshotStore(work / "history").list("127.0.0.1");
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].info.direction, rk::history::Direction::Read);
    const std::string written = snapshots[1].folder.string();
    EXPECT_LT(unit->terminate(), 1000);

    auto [garbling, reachAgain] = startUnit({"--test-change-memory", "7"}, "unit2.log");
    const std::string garbled = "common 007 changed: number \"117\" -> \"118\"\n"
                                "common: 0 added, 0 cleared, 1 changed, 599 unchanged\n" +
                                unchanged;
    // What the first run stored is what this run reads.
    auto read = runCommand(kCli + " read" + reachAgain + " --password 1234 --dir " + (work / "pc").string() +
                           history + " 2>/dev/null");
    EXPECT_EQ(read.status, 0);
    auto diff = runCommand(kCli + " diff " + written + " last --host 127.0.0.1" + history);
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.output, garbled);
    checked = runCommand(kCli + " write --verify" + reachAgain + write);
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.output, garbled);
    EXPECT_LT(garbling->terminate(), 1000);
}
TEST_F(CliTransfer, FailuresEndWithStatusOneAndTheirMessages) {
    MainUnitSimulator::Options options;
    options.password = "4321";
    auto wrong =
        runCommand(kCli + " read" + startUnit(options) + " --password 1234 --dir " + work.str() + " 2>&1");
    unit->finish(5);
    EXPECT_EQ(wrong.status, 1);
    const std::size_t link = position(wrong.output, "パスワードエラーです。\n");
    const std::size_t summary = position(wrong.output, "通信エラーが発生しました。\n");
    ASSERT_NE(link, std::string::npos) << wrong.output;
    ASSERT_NE(summary, std::string::npos) << wrong.output;
    EXPECT_LT(link, summary);
    EXPECT_EQ(position(wrong.output, "正常に終了しました"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(work / "sys-tan.txt"));

    auto kanji = runCommand(kCli + " read --host 主装置 --password 1234 --dir " + work.str() + " 2>&1");
    EXPECT_EQ(kanji.status, 1);
    EXPECT_EQ(kanji.output, "ホスト名は半角英数字で入力してください。\n");
    auto shortPassword = runCommand(kCli + " write --host pbx --password 123 --dir " + work.str() + " 2>&1");
    EXPECT_EQ(shortPassword.status, 1);
    EXPECT_EQ(shortPassword.output, "パスワードを入力してください。\n");
}

// rkdial-mainunit takes only what it can use: a port 0..65535, a memory count of 600 or 990,
// numbers in digits, each option once.
TEST(MainUnitProgram, RefusesOptionsItCannotUse) {
    const std::pair<std::string, std::string> refused[] = {
        {"--port 70000", "rkdial-mainunit: --port: must be a number from 0 to 65535, not \"70000\""},
        {"--port abc", "rkdial-mainunit: --port: must be a number from 0 to 65535, not \"abc\""},
        {"--pc-port 0", "rkdial-mainunit: --pc-port: must be a number from 1 to 65535, not \"0\""},
        {"--memory 700", "rkdial-mainunit: --memory: must be 600 or 990, not \"700\""},
        {"--test-change-memory 7x",
         "rkdial-mainunit: --test-change-memory: must be a number from 0 to 989, not \"7x\""},
        {"--port 0 --port 9100", "rkdial-mainunit: --port is given 2 times: give it once"},
        {"--frob", "rkdial-mainunit: The following argument was not expected: --frob"},
    };
    for (const auto& [arguments, message] : refused) {
        const auto result = runCommand(kMainUnit + " " + arguments + " 2>&1");
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_EQ(result.output.substr(0, result.output.find('\n')), message) << arguments;
    }
    const auto help = runCommand(kMainUnit + " --help 2>/dev/null");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: rkdial-mainunit", 0), 0u) << help.output;
}
