// Shared pieces of the phonebook file tests: a fresh image and file state for every test,
// temporary folders, golden files and byte helpers.
#pragma once

#include "phonebook/edit_steps.h"
#include "phonebook/line_table.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_fixture.h"
#include "platform/file_writer.h"
#include "platform/text.h"
#include "support/recording_ui.h"
#include "support/test_seam.h"

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>

namespace rk::testing {

// A folder of its own under the system's temporary directory, removed with everything in it.
class TempDirectory {
public:
    TempDirectory() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("rkdial-file-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream input(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(input), {});
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream output(path, std::ios::binary | std::ios::trunc);
    output.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path golden(const std::string& name) {
    return std::filesystem::path(RKDIAL_TEST_DATA) / "phonebook_file" / name;
}

inline std::string sjis(const char* utf8) {
    return text::toCp932(utf8);
}

// The time stamp of the golden files: 2024-03-05 09:07.
inline std::tm goldenTime() {
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 5;
    time.tm_hour = 9;
    time.tm_min = 7;
    return time;
}

class PhonebookFileTest : public PhonebookTest {
protected:
    // The file window's messages are told, not asked: each is recorded.
    PhonebookFileTest() { ui_.allowPlainMessages(); }

    void SetUp() override { platform::setFileWriteLimitForTesting(std::nullopt); }
    void TearDown() override { platform::setFileWriteLimitForTesting(std::nullopt); }

    platform::Ui& ui() { return ui_; }
    // The message boxes shown so far (the file window's messages).
    std::vector<platform::MessageRequest> messages() const { return ui_.boxes(); }

    // The file window's load and save of a kind: the steps both front ends call, with the path
    // as the operator's one choice.
    phonebook::FileStepResult
    loadFile(const std::filesystem::path& path, int kind, phonebook::LoadReport* report = nullptr,
             phonebook::NonPhonebookFile nonPhonebook = phonebook::NonPhonebookFile::Load) {
        return phonebook::loadPhonebookFromFile(ws(), ui_, {}, kind, chooseOnce(path),
                                                phonebook::blockingRunner(ws()), report, nonPhonebook);
    }
    phonebook::FileStepResult saveFile(const std::filesystem::path& path, int kind) {
        return phonebook::savePhonebookToFile(ws(), seam_, {}, kind, chooseOnce(path),
                                              phonebook::blockingRunner(ws()));
    }
    phonebook::PhonebookFileSettings& fileSettings() { return ws().fileSettings(); }
    phonebook::FileHeaderLine& headerLine() { return ws().fileHeaderLine(); }

    // 990 memories, every one of them empty with group 1 (as after the mode's own clear).
    void useMode990() {
        setMode(2);
        phonebook::clearSystemBook(ws(), 2);
    }

    phonebook::EntryText system(int memory) {
        phonebook::EntryText text;
        phonebook::loadSystemEntry(ws(), memory, text);
        return text;
    }
    phonebook::EntryText telephone(int position, int memory) {
        phonebook::EntryText text;
        phonebook::loadTelephoneEntry(ws(), position, memory, text);
        return text;
    }
    bool storeTelephone(int position, int memory, const std::string& number, const std::string& kanji,
                        const std::string& kana) {
        phonebook::EntryText text = phonebook::EntryText::make(number, kana, kanji, 0);
        return phonebook::storeTelephoneEntry(ws(), position, memory, text);
    }

    // The entries of the golden files, as make_golden.py spells them.
    void storeGoldenCommonEntries() {
        storeSystem(0, "0312345678", sjis("ﾔﾏﾀﾞ"), sjis("山田太郎"), '1');
        storeSystem(1, "09011112222", sjis("ｽｽﾞｷ ｲﾁﾛｳ"), sjis("鈴木一郎"), '0');
        storeSystem(5, "03-1234*5#P", "ABC s", sjis("ＡＢＣ商事"), '7');
        storeSystem(500, "0120999888", sjis("ﾌﾘｰﾀﾞｲﾔﾙ"), sjis("フリーダイヤル"), '2');
        storeSystem(501, "012345678901234567890123", sjis("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"),
                    sjis("一二三四五六七八九十"), '3');
        storeSystem(989, "119", sjis("ｼｮｳﾎﾞｳ"), sjis("消防"), '5');
    }
    void storeGoldenMyEntries() {
        storeTelephone(101, 980, "0311112222", sjis("山田"), sjis("ﾔﾏﾀﾞ"));
        storeTelephone(101, 999, "200", sjis("内線"), sjis("ﾅｲｾﾝ"));
        storeTelephone(125, 990, "0451234567", sjis("横浜支店"), sjis("ﾖｺﾊﾏ"));
        storeTelephone(126, 981, "P123", "", "ABC");
        storeTelephone(200, 999, "999", sjis("最後"), sjis("ｻｲｺﾞ"));
    }

    // Takes the carried fields of the golden files, as a read would.
    void takeGoldenHeader() {
        const std::string file = readBytes(golden("common_kana_first.rkdat"));
        headerLine().takeFrom(file);
    }
    phonebook::FileHeaderLine::Line goldenHeader() { return headerLine().format(goldenTime()); }

    // Parses a body (column header and record lines) given as text, no header line.
    void parseCommon(const std::string& body, int unitOrderFlag = 0) {
        phonebook::parseCommonPhonebook(ws(), body, unitOrderFlag);
    }

private:
    static phonebook::FileChooser chooseOnce(const std::filesystem::path& path) {
        return [path, asked = false]() mutable -> std::optional<std::filesystem::path> {
            if (asked) return std::nullopt;
            asked = true;
            return path;
        };
    }

    RecordingUi ui_;
    TestSeam seam_{ui_};
};

} // namespace rk::testing
