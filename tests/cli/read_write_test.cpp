// rkdial-cli read and write as a program, against the test main unit on loopback.
#include "mainunit/main_unit_simulator.h"
#include "platform/text.h"
#include "support/ports.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using rk::mainunit::MainUnitSimulator;
using rk::testing::runCommand;
using rk::text::toCp932;

namespace {

const std::string kCli = RKDIAL_CLI_PATH;

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

    rk::testing::TempDir work;
    std::unique_ptr<MainUnitSimulator> unit;
};

} // namespace

TEST_F(CliTransfer, ReadSavesWhatWasReadAndWriteSendsItBack) {
    const std::string common = (work / "common.rkdat").string();
    const std::string mine = (work / "mine.rkdat").string();
    auto read = runCommand(kCli + " read" + startUnit() + " --password 1234 --dir " + (work / "pc").string() +
                           " --save-common " + common + " --save-my " + mine + " 2>&1");
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

    auto write = runCommand(kCli + " write" + startUnit() + " --password 1234 --dir " +
                            (work / "pc2").string() + " --common " + common + " --my " + mine + " 2>&1");
    unit->finish(5);
    ASSERT_EQ(write.status, 0) << write.output;
    EXPECT_NE(position(write.output, "電話帳データの書込が正常に終了しました。"), std::string::npos);
    const auto uploads = unit->uploads();
    ASSERT_EQ(uploads.size(), 7u);
    EXPECT_EQ(uploads[0].first, "sys-tan000.txt");
    EXPECT_EQ(uploads[0].second, work.read("pc2/sys-tan000.txt"));
    EXPECT_NE(uploads[0].second.find("0312345678"), std::string::npos);
    EXPECT_NE(work.read("pc2/tel-tan.txt").find("09011112222"), std::string::npos);
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
