// The key and data-set files of a transfer: converted into the work directory and the data
// image on a read, built from the image before the main unit fetches them on a write.
#include "link/device_info.h"
#include "link/device_session.h"

#include "image/command_engine.h"
#include "image/data_image.h"
#include "image/key_store.h"
#include "mainunit/main_unit_simulator.h"
#include "platform/clock.h"
#include "platform/file_writer.h"
#include "platform/text.h"
#include "support/ports.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_seam.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

using rk::link::DeviceSession;
using rk::mainunit::MainUnitSimulator;

namespace {

std::string blanks(std::size_t count) {
    return std::string(count, ' ');
}

// The one-touch record of a key, column by column (markers at 0, 16 and 96, "c" at 36, "," at 65).
std::string oneTouchRecord(const std::string& head, const std::string& name, char flag,
                           const std::string& setting) {
    return head + blanks(5) + head + name + blanks(9 - name.size()) + "c" + blanks(27) + flag + "," +
           setting + blanks(30 - setting.size()) + head + blanks(83);
}

// The text between <name> and </name> of a document, as it stands (still escaped).
std::string innerText(const std::string& document, const std::string& name) {
    const std::size_t start = document.find("<" + name + ">");
    const std::size_t end = document.find("</" + name + ">");
    if (start == std::string::npos || end == std::string::npos) return "<missing>";
    return document.substr(start + name.size() + 2, end - start - name.size() - 2);
}

class DownloadFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ui.allowPlainMessages(); }

    // One transfer of a session of its own: the PC asks for (read) or offers (write) `files`.
    int transfer(MainUnitSimulator::Options options, int direction, const std::vector<std::string>& files) {
        DeviceSession session(workspace, seam);
        session.SetWorkDirectory(work.str());
        session.SetPassword("1234");
        session.setListenAddress("127.0.0.1");
        session.setListenPort(0);
        session.acceptLimitSeconds = 5;
        options.pcPortSource = [&session] { return session.listenPort(); };
        MainUnitSimulator simulator(options);
        EXPECT_TRUE(simulator.start());
        session.SetHost("127.0.0.1", simulator.port());
        session.fileList() = files;
        session.setFileCount(static_cast<int>(files.size()));
        const int result = session.RunTransfer(direction);
        simulator.finish(2);
        uploads = simulator.uploads();
        if (result == 0) {
            EXPECT_TRUE(session.fileList().empty());
        }
        return result;
    }

    std::string uploaded(const std::string& name) const {
        for (const auto& [file, body] : uploads)
            if (file == name) return body;
        return "<not fetched>";
    }

    std::string shown(const std::string& command) {
        return rk::image::executeCommandString(image, 1, command).value_or("--P");
    }

    std::string body(const std::string& name) const {
        const std::string file = work.read(name);
        EXPECT_GE(file.size(), 192u) << name;
        if (file.size() < 192) return "<no header>";
        EXPECT_EQ(file.substr(190, 2), "\r\n") << name;
        return file.substr(192);
    }

    rk::testing::RecordingUi ui;
    rk::testing::TestSeam seam{ui};
    rk::testing::TempDir work;
    rk::Workspace workspace;
    rk::image::DataImage& image = workspace.image();
    std::vector<std::pair<std::string, std::string>> uploads;
};

} // namespace

TEST_F(DownloadFilesTest, ReadConvertsKeyAndDataSetFilesIntoTheImage) {
    ASSERT_EQ(shown("*08305#"), "083=05P");
    MainUnitSimulator::Options unit;
    unit.downloadElements = {
        {"one-touch.txt", "<i92>101_01@1@@Yamada,\n152_12@@0312345678@,\n</i92>\n"},
        {"nandemo.txt", "<i14>103_43@(03)1234@Head,\n</i14>\n"},
        // Items out of the file's range and second elements of a name are not taken.
        {"dset-000.txt",
         "<h083>\n</h083>\n<h081>05@12,\n</h081>\n<h001>1@1,\n2@0,\n</h001>\n<h083>07,</h083>\n"
         "<h100>1,</h100>\n"},
        {"dset-9000.txt", "<h9419>101@12,</h9419>\n<h9100>03@1,</h9100>\n<h9099>1,</h9099>\n"},
    };
    ASSERT_EQ(transfer(unit, rk::link::kDirectionRead,
                       {"one-touch.txt", "nandemo.txt", "dset-000.txt", "dset-9000.txt"}),
              0);
    EXPECT_TRUE(ui.boxes().empty());

    EXPECT_EQ(body("one-touch.txt"), oneTouchRecord("i92=101#01-", "Yamada", '1', "") + "\n" +
                                         oneTouchRecord("i92=152#12-", "", ' ', "0312345678") + "\n");
    const std::string anything = body("nandemo.txt");
    EXPECT_EQ(anything.size(), 191u);
    EXPECT_EQ(anything.substr(0, 36), "i14=103#43-     i14=103#43-Head     ");
    EXPECT_EQ(anything.substr(64, 40), "A,03>1234" + blanks(23) + "i14=103#");
    EXPECT_EQ(body("dset-000.txt"), "*00111#\n*00120#\n*0810512#\n");
    EXPECT_EQ(body("dset-9000.txt"), "*9100031#\n*9419101#12#\n");

    const auto* oneTouch = rk::image::keySetting(image, rk::image::KeyKind::OneTouch, 152, 12);
    ASSERT_NE(oneTouch, nullptr);
    EXPECT_EQ(rk::image::settingText(*oneTouch), ",0312345678");
    const auto* anythingKey = rk::image::keySetting(image, rk::image::KeyKind::Anything, 103, 43);
    ASSERT_NE(anythingKey, nullptr);
    EXPECT_EQ(rk::image::settingText(*anythingKey), "n_03>1234");
    EXPECT_EQ(shown("*083#"), "083=00c"); // the empty item 83 applied its default
    EXPECT_EQ(shown("*08105#"), "081=05-12c");
    EXPECT_EQ(shown("*0012#"), "001=2-0c");
    EXPECT_EQ(shown("*9419101#"), "9419=101-12c");
    EXPECT_EQ(shown("*910003#"), "9100=03-1c");
}

// The files of a read take their places in the work directory together, once the read has
// completed: a read that fails half-way leaves the pair of the last read as it was, never a new
// sys-tan.txt beside an old tel-tan.txt. A file that cannot be written is named with the reason.
TEST_F(DownloadFilesTest, TheFilesOfAReadTakeTheirPlacesTogetherOrNotAtAll) {
    work.write("sys-tan.txt", "sys-tan.txt of the last read");
    work.write("tel-tan.txt", "tel-tan.txt of the last read");
    const std::vector<std::string> both = {"sys-tan.txt", "tel-tan.txt"};
    const auto workFiles = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work.path()))
            if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    MainUnitSimulator::Options broken;
    broken.downloadElements = {{"tel-tan.txt", "<teltan>"}}; // an answer that does not load
    EXPECT_EQ(transfer(broken, rk::link::kDirectionRead, both), -1);
    EXPECT_EQ(work.read("sys-tan.txt"), "sys-tan.txt of the last read");
    EXPECT_EQ(work.read("tel-tan.txt"), "tel-tan.txt of the last read");
    EXPECT_EQ(workFiles(), both) << "nothing of the failed read is left beside them";
    EXPECT_TRUE(ui.boxes().empty());

    // The disk is full when tel-tan.txt is written.
    rk::platform::setFileWriteFailureForTesting(
        [](const std::filesystem::path& target) { return target.filename() == "tel-tan.txt"; });
    EXPECT_EQ(transfer({}, rk::link::kDirectionRead, both), -1);
    rk::platform::setFileWriteFailureForTesting({});
    EXPECT_EQ(work.read("sys-tan.txt"), "sys-tan.txt of the last read");
    EXPECT_EQ(workFiles(), both);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, rk::platform::writeFailureText({work / "tel-tan.txt", ENOSPC}));
    EXPECT_EQ(rk::text::cp932ToUtf8(ui.boxes()[0].text),
              "\n" + (work / "tel-tan.txt").string() +
                  " を書き込めませんでした。\nディスクの空き容量が不足しています。\n");

    ASSERT_EQ(transfer({}, rk::link::kDirectionRead, both), 0);
    EXPECT_TRUE(work.read("sys-tan.txt").starts_with("20"));
    EXPECT_TRUE(work.read("tel-tan.txt").starts_with("20"));
    EXPECT_EQ(workFiles(), both);
}

TEST_F(DownloadFilesTest, KeysSurviveAReadFollowedByAWrite) {
    MainUnitSimulator::Options first;
    first.downloadElements = {
        {"one-touch.txt",
         "<i92>101_01@1@@Yamada,\n152_12@@0312345678@,\n153_02@-@@,\n200_99@A&amp;B@x@,\n</i92>\n"},
        {"nandemo.txt", "<i14>103_43@(03)1234@Head,\n117_05@@,\n200_01@,\n</i14>\n"},
    };
    ASSERT_EQ(transfer(first, rk::link::kDirectionRead, {"one-touch.txt", "nandemo.txt"}), 0);
    const auto keysRead = std::make_unique<rk::image::KeyTable>(image.keys);

    // The main unit fetches nandemo101.txt first: the key pages are built from the image then.
    for (const char* name : {"one-touch101.txt", "one-touch153.txt", "nandemo.txt", "nandemo101.txt"})
        std::filesystem::remove(work / name);
    MainUnitSimulator::Options second;
    ASSERT_EQ(
        transfer(second, rk::link::kDirectionWrite,
                 {"nandemo101.txt", "one-touch101.txt", "one-touch153.txt", "nandemo.txt", "nandemo117.txt"}),
        0);
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n";
    EXPECT_EQ(uploaded("one-touch101.txt"),
              declaration + "<root>\n<i92>\n101_01@1@@,\n152_12@@0312345678@,\n</i92>\n</root>\n");
    EXPECT_EQ(uploaded("one-touch153.txt"),
              declaration + "<root>\n<i92>\n153_02@@@,\n200_99@A&amp;B@x@,\n</i92>\n</root>\n");
    EXPECT_EQ(uploaded("nandemo101.txt"), declaration + "<root>\n<i14>\n103_43@03)1234@,\n</i14>\n</root>\n");
    EXPECT_EQ(uploaded("nandemo117.txt"), declaration + "<root>\n<i14>\n117_05@@,\n</i14>\n</root>\n");

    // The pages, read back as the main unit would send them, program the same keys.
    rk::image::clearKeys(image);
    MainUnitSimulator::Options third;
    third.downloadElements = {
        {"one-touch.txt", "<i92>" + innerText(uploaded("one-touch101.txt"), "i92") +
                              innerText(uploaded("one-touch153.txt"), "i92") + "</i92>"},
        {"nandemo.txt", "<i14>" + innerText(uploaded("nandemo.txt"), "i14") + "</i14>"},
    };
    ASSERT_EQ(transfer(third, rk::link::kDirectionRead, {"one-touch.txt", "nandemo.txt"}), 0);
    EXPECT_EQ(std::memcmp(&image.keys, keysRead.get(), sizeof image.keys), 0);
    EXPECT_EQ(rk::image::settingText(*rk::image::keySetting(image, rk::image::KeyKind::OneTouch, 200, 99)),
              "-A&B,x");
}

TEST_F(DownloadFilesTest, DataSetPagesAreBuiltFromTheImageInTheFirmwaresForm) {
    for (const char* firmware : {"1.01", "5.01"}) {
        SCOPED_TRACE(firmware);
        std::filesystem::remove(work / "dset-9100.txt");
        std::filesystem::remove(work / "dset-9300.txt");
        MainUnitSimulator::Options unit;
        unit.firmwareVersion = firmware;
        ASSERT_EQ(transfer(unit, rk::link::kDirectionWrite, {"dset-9100.txt", "dset-9300.txt"}), 0);
        EXPECT_TRUE(uploaded("dset-9100.txt").starts_with("<root>\r\n<h9100>\r\n"));
        EXPECT_NE(uploaded("dset-9100.txt").find("</h9141>\r\n</root>\r\n"), std::string::npos);
        // Firmware 5.01 takes item 9419 with the "s" that ends the station field.
        const std::string station = std::string(firmware) == "5.01" ? "<h9419>\r\n101s@" : "<h9419>\r\n101@";
        EXPECT_NE(uploaded("dset-9300.txt").find(station), std::string::npos);
    }
}
