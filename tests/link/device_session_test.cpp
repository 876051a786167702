#include "link/device_info.h"
#include "link/device_session.h"

#include "mainunit/main_unit_simulator.h"
#include "platform/text.h"
#include "support/ports.h"
#include "support/progress_recorder.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_seam.h"

#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using rk::link::DeviceSession;
using rk::mainunit::MainUnitSimulator;
using rk::mainunit::UnitRecord;
using rk::text::toCp932;

namespace {

std::vector<UnitRecord> fixtureBook() {
    return {
        {0, 0, "0312345678", toCp932("山田"), toCp932("ﾔﾏﾀﾞ"), 1},
        {0, 5, "012", toCp932("鈴木"), toCp932("ｽｽﾞｷ"), 3},
        {101, 980, "0311112222", toCp932("本社"), toCp932("ﾎﾝｼｬ"), 0},
        {200, 998, "9", "", "", 0},
        {200, 999, "99", "x", "y", 0},
    };
}

class DeviceSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui.allowPlainMessages();
        session.SetWorkDirectory(work.str() + "/");
        session.SetPassword("1234");
        session.setListenAddress("127.0.0.1");
        session.setListenPort(0);
        session.acceptLimitSeconds = 5;
    }

    MainUnitSimulator::Options unit() {
        MainUnitSimulator::Options options;
        options.pcPortSource = [this] { return session.listenPort(); };
        options.systan = rk::mainunit::systanText(fixtureBook(), false);
        options.teltan = rk::mainunit::teltanText(fixtureBook(), false);
        return options;
    }

    // Runs a read or write against a simulator with these options.
    // `unitSeconds` is how long the unit may still take to end its part afterwards.
    int transfer(MainUnitSimulator& simulator, bool read, int unitSeconds = 2) {
        EXPECT_TRUE(simulator.start());
        session.SetHost("127.0.0.1", simulator.port());
        const int result = read ? session.ReadPhonebook(0) : session.WritePhonebook(0);
        simulator.finish(unitSeconds);
        return result;
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& box : ui.boxes()) texts.push_back(box.text);
        return texts;
    }

    rk::testing::RecordingUi ui;
    rk::testing::TestSeam seam{ui};
    rk::testing::ProgressRecorder progress{seam.progress, rk::platform::communicationProgressTitle()};
    rk::testing::TempDir work;
    rk::Workspace workspace;
    DeviceSession session{workspace, seam};
};

std::string golden(const std::string& name) {
    std::ifstream file(std::string(RKDIAL_TEST_DATA) + "/download/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

const std::string kCommonBody = golden("read_sys-tan_body.txt");
const std::string kMyBody = golden("read_tel-tan_body.txt");

// Open descriptors of this process, to see that a transfer leaves no socket behind.
std::size_t openDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                  std::filesystem::directory_iterator()));
}

} // namespace

TEST_F(DeviceSessionTest, ReadFetchesBothFilesAndConvertsThem) {
    MainUnitSimulator simulator(unit());
    ASSERT_EQ(transfer(simulator, true), 0);
    EXPECT_TRUE(messages().empty());

    const std::string common = work.read("sys-tan.txt");
    ASSERT_GE(common.size(), 192u);
    EXPECT_EQ(common.substr(190, 2), "\r\n");
    EXPECT_EQ(common.substr(192), kCommonBody);
    EXPECT_EQ(work.read("tel-tan.txt").substr(192), kMyBody);

    EXPECT_EQ(simulator.fileList(),
              "<root>\r\n<UD-TYPE>DOWNLOAD</UD-TYPE>\r\n<SYS-TAN>127.0.0.1/sys-tan.txt</SYS-TAN>\r\n"
              "<TEL-TAN>127.0.0.1/tel-tan.txt</TEL-TAN>\r\n</root>\r\n");
    EXPECT_EQ(simulator.statusesSeen(),
              (std::vector<std::string>{"HTTP/1.1 401 Unauthorized", "HTTP/1.1 200 OK"}));
    EXPECT_EQ(progress.values(rk::platform::WM_PRG_SETPOS), (std::vector<std::int64_t>{0, 5, 5, 52, 100}));
    EXPECT_EQ(session.progressStep(), 47);
    EXPECT_TRUE(session.fileList().empty());

    // The files parse into the working copy as the read procedure parses them.
    rk::Workspace fresh;
    auto& files = fresh.fileSettings();
    files = {work.str() + "/", "sys-tan.txt", 1};
    EXPECT_EQ(rk::phonebook::readPhonebookFile(fresh, ui, 1), 0);
    files = {work.str() + "/", "tel-tan.txt", 0};
    EXPECT_EQ(rk::phonebook::readPhonebookFile(fresh, ui, 2), 0);
    rk::phonebook::EntryText entry;
    ASSERT_TRUE(rk::phonebook::loadSystemEntry(fresh, 5, entry));
    EXPECT_EQ(entry.numberText(), "012");
    EXPECT_EQ(entry.kanjiText(), toCp932("鈴木"));
    EXPECT_EQ(entry.kanaText(), toCp932("ｽｽﾞｷ"));
    EXPECT_EQ(entry.group, '3');
    ASSERT_TRUE(rk::phonebook::loadTelephoneEntry(fresh, 101, 980, entry));
    EXPECT_EQ(entry.numberText(), "0311112222");
    EXPECT_EQ(entry.kanjiText(), toCp932("本社"));
}

TEST_F(DeviceSessionTest, FirmwareOneHundredSeparatorsGiveTheSameFiles) {
    auto options = unit();
    options.firmwareVersion = "1.00";
    options.systan = rk::mainunit::systanText(fixtureBook(), true);
    options.teltan = rk::mainunit::teltanText(fixtureBook(), true);
    MainUnitSimulator simulator(options);
    ASSERT_EQ(transfer(simulator, true), 0);
    EXPECT_EQ(session.fwIs100(), 1);
    EXPECT_EQ(session.fwIs501(), 0);
    EXPECT_EQ(work.read("sys-tan.txt").substr(192), kCommonBody);
    EXPECT_EQ(work.read("tel-tan.txt").substr(192), kMyBody);
}

TEST_F(DeviceSessionTest, ConnectionInfoWithoutLengthIsReadUpToTheRootEnd) {
    auto options = unit();
    options.connectionInfoWithoutLength = true;
    options.firmwareVersion = "5.01";
    MainUnitSimulator simulator(options);
    ASSERT_EQ(transfer(simulator, true), 0);
    EXPECT_EQ(session.firmwareVersion(), "5.01");
    EXPECT_EQ(session.fwIs501(), 1);
}

TEST_F(DeviceSessionTest, WriteLetsTheUnitFetchEverySevenEntries) {
    // The pages as the write procedure makes them: from the working copy through the PC-side files.
    rk::phonebook::EntryText entry =
        rk::phonebook::EntryText::make("0312345678", toCp932("ﾔﾏﾀﾞ"), toCp932("山田"));
    ASSERT_TRUE(rk::phonebook::storeSystemEntry(workspace, 7, entry));
    entry = rk::phonebook::EntryText::make("99", "a", "b");
    ASSERT_TRUE(rk::phonebook::storeTelephoneEntry(workspace, 176, 999, entry));
    auto& files = workspace.fileSettings();
    files = {work.str() + "/", "sys-tan.txt", 1};
    ASSERT_EQ(rk::phonebook::writePhonebookFile(workspace, ui, 1), 0);
    files = {work.str() + "/", "tel-tan.txt", 0};
    ASSERT_EQ(rk::phonebook::writePhonebookFile(workspace, ui, 2), 0);
    ASSERT_EQ(session.PrepareSysTanUpload(), 0);
    ASSERT_EQ(session.PrepareTelTanUpload(), 0);
    const std::vector<std::string> pages = {"sys-tan000.txt", "sys-tan500.txt", "tel-tan101.txt",
                                            "tel-tan126.txt", "tel-tan151.txt", "tel-tan176.txt"};
    MainUnitSimulator simulator(unit());
    ASSERT_EQ(transfer(simulator, false), 0);
    EXPECT_TRUE(messages().empty());
    const auto uploads = simulator.uploads();
    ASSERT_EQ(uploads.size(), 7u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(uploads[i].first, pages[i]);
        EXPECT_EQ(uploads[i].second, work.read(pages[i]));
    }
    EXPECT_EQ(uploads[6].first, "tel-tan176.txt");
    EXPECT_NE(simulator.fileList().find(
                  "<UD-TYPE>UPLOAD</UD-TYPE>\r\n<SYS-TAN000>127.0.0.1/sys-tan000.txt</SYS-TAN000>"),
              std::string::npos);
    EXPECT_EQ(session.progressStep(), 13);
    EXPECT_EQ(progress.values(rk::platform::WM_PRG_SETPOS).back(), 100);
    EXPECT_TRUE(session.fileList().empty());
}

TEST_F(DeviceSessionTest, WrongModelIsRefusedAfterTheLogIn) {
    for (const char* model : {"Rk/M", "rk/l"}) {
        ui.clear();
        ui.allowPlainMessages();
        auto options = unit();
        options.deviceType = model;
        MainUnitSimulator simulator(options);
        EXPECT_EQ(transfer(simulator, true), -1) << model;
        EXPECT_EQ(messages(), (std::vector<std::string>{toCp932("主装置種別エラー発生")})) << model;
        EXPECT_EQ(ui.boxes().at(0).caption, toCp932("エラー"));
    }
}

TEST_F(DeviceSessionTest, PasswordDifferingInCaseIsRefused) {
    auto options = unit();
    options.password = "abcd";
    session.SetPassword("ABCD");
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), -1);
    EXPECT_EQ(messages(), (std::vector<std::string>{toCp932("パスワードエラーです。")}));
}

TEST_F(DeviceSessionTest, BusyAndFailedConnectionInfo) {
    for (auto [status, text] :
         {std::pair{404, "主装置使用中です。"}, std::pair{500, "データ受信に失敗しました。"}}) {
        ui.clear();
        ui.allowPlainMessages();
        auto options = unit();
        options.connectionStatus = status;
        MainUnitSimulator simulator(options);
        EXPECT_EQ(transfer(simulator, true), -1);
        EXPECT_EQ(messages(), (std::vector<std::string>{toCp932(text)}));
    }
}

TEST_F(DeviceSessionTest, SilentMainUnitTimesOutAfterThreeSeconds) {
    seam.clock.setLimitScale(0.01); // the three seconds pass in 30 ms
    auto options = unit();
    options.silentConnectionInfo = true;
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true, 0), -1); // the unit stays silent until it is stopped
    EXPECT_EQ(messages(), (std::vector<std::string>{toCp932("主装置との接続がタイムアウトしました。")}));
}

TEST_F(DeviceSessionTest, NobodyListeningGivesTheConnectMessage) {
    const rk::testing::RefusingPort nobody;
    session.SetHost("127.0.0.1", nobody.port());
    EXPECT_EQ(session.ReadPhonebook(0), -1);
    EXPECT_EQ(messages(), (std::vector<std::string>{toCp932("コネクト失敗")}));
}

TEST_F(DeviceSessionTest, UnitThatNeverConnectsBackIsReported) {
    auto options = unit();
    options.noConnectBack = true;
    session.acceptLimitSeconds = 1;
    seam.clock.setLimitScale(0.01);
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), -1);
    EXPECT_EQ(messages(), (std::vector<std::string>{toCp932("主装置との接続に失敗しました。")}));
}

TEST_F(DeviceSessionTest, WrongCredentialsEndTheTransferWith401) {
    auto options = unit();
    options.wrongCredentials = true;
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), -1);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(simulator.statusesSeen().back(), "HTTP/1.1 401 Unauthorized");
}

TEST_F(DeviceSessionTest, FirstRequestWithCredentialsIsNotAnsweredButTheSecondIs) {
    auto options = unit();
    options.credentialsOnFirstRequest = true;
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), 0);
    EXPECT_EQ(simulator.statusesSeen(), (std::vector<std::string>{"HTTP/1.1 200 OK"}));
}

TEST_F(DeviceSessionTest, OtherMethodsAreNotImplemented) {
    auto options = unit();
    options.method = "HEAD";
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), -1);
    EXPECT_EQ(simulator.statusesSeen().back().substr(0, 27), "HTTP/1.1 501 Not Implemente");
}

TEST_F(DeviceSessionTest, DownloadRefusedWithCredentialsEndsWithoutMessage) {
    auto options = unit();
    options.downloadSecondStatus = 404;
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), -1);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DeviceSessionTest, TruncatedDownloadBodyFailsAtTheXmlLoad) {
    auto options = unit();
    options.truncateDownloadBody = true;
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, true), -1);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(std::filesystem::exists(work / "sys-tan.txt"));
}

TEST_F(DeviceSessionTest, MissingElementsStillGiveHeadedFiles) {
    auto options = unit();
    options.omitElements = true;
    MainUnitSimulator simulator(options);
    ASSERT_EQ(transfer(simulator, true), 0);
    EXPECT_EQ(work.read("sys-tan.txt").substr(192),
              toCp932("短縮番号,電話番号,漢字名称,カナ名称,グループ番号\r\n\r\n"));
    EXPECT_EQ(work.read("tel-tan.txt").substr(192),
              toCp932("収容位置,短縮番号,電話番号,漢字名称,カナ名称\r\n"));
}

TEST_F(DeviceSessionTest, NamesAreServedCaseInsensitively) {
    for (const auto& page : {"sys-tan000.txt", "sys-tan500.txt", "tel-tan101.txt", "tel-tan126.txt",
                             "tel-tan151.txt", "tel-tan176.txt"})
        work.write(page, page);
    auto options = unit();
    options.requestNameOverride["sys-tan000.txt"] = "SYS-TAN000.TXT";
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, false), 0);
    ASSERT_EQ(simulator.uploads().size(), 7u);
    EXPECT_EQ(simulator.uploads()[0].second, "sys-tan000.txt");
}

TEST_F(DeviceSessionTest, UnlistedNamesGetNotFound) {
    work.write("sys-tan.txt", "x");
    for (const auto& page : {"sys-tan000.txt", "sys-tan500.txt"}) work.write(page, page);
    auto options = unit();
    options.requestNameOverride["sys-tan000.txt"] = "sys-tan.txt";
    MainUnitSimulator simulator(options);
    EXPECT_EQ(transfer(simulator, false), -1);
    EXPECT_EQ(simulator.statusesSeen().back(), "HTTP/1.1 404 Not Found");
}

TEST_F(DeviceSessionTest, DataFilesAreForbiddenBeforeTheFileList) {
    work.write("sys-tan000.txt", "page");
    auto options = unit();
    options.fileListName = "sys-tan000.txt";
    MainUnitSimulator forbidden(options);
    EXPECT_EQ(transfer(forbidden, true), -1);
    EXPECT_EQ(forbidden.statusesSeen().back(), "HTTP/1.1 403 Forbidden");
    // Existence is looked at before the state.
    options.fileListName = "sys-tan500.txt";
    MainUnitSimulator missing(options);
    EXPECT_EQ(transfer(missing, true), -1);
    EXPECT_EQ(missing.statusesSeen().back(), "HTTP/1.1 404 Not Found");
}

TEST_F(DeviceSessionTest, NextTransferDeletesTheTemporaryFilesAndNoSocketStaysOpen) {
    const std::size_t before = openDescriptors();
    std::vector<std::filesystem::path> leftOver;
    {
        MainUnitSimulator simulator(unit());
        ASSERT_EQ(transfer(simulator, true), 0);
    }
    EXPECT_EQ(openDescriptors(), before);
    for (const auto& item : std::filesystem::directory_iterator(work / "Tov2_L"))
        leftOver.push_back(item.path());
    ASSERT_FALSE(leftOver.empty());
    {
        MainUnitSimulator simulator(unit());
        ASSERT_EQ(transfer(simulator, true), 0);
    }
    EXPECT_EQ(openDescriptors(), before);
    for (const auto& path : leftOver) EXPECT_FALSE(std::filesystem::exists(path)) << path;
}

TEST_F(DeviceSessionTest, SettersKeepTheirRules) {
    session.SetWorkDirectory("/tmp/x/");
    EXPECT_EQ(session.workDirectory(), "/tmp/x");
    session.SetWorkDirectory("");
    EXPECT_EQ(session.workDirectory(), "");
    session.SetWorkDirectory(work.str());
    const std::string first = session.MakeTempFileName();
    const std::string second = session.MakeTempFileName();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, work.str().size() + 8), work.str() + "/Tov2_L/");
    EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_EQ(session.WriteFileList(rk::link::kDirectionRead), 0); // empty list
}
