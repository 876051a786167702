#include "link/phonebook_procedures.h"

#include "image/data_image.h"
#include "phonebook/phonebook_file.h"
#include "platform/file_writer.h"
#include "platform/progress.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

namespace rk::link {
namespace {

// The page files a write generates; removed before they are made again (see prepareWrite).
constexpr std::array<const char*, 6> kUploadPages = {"sys-tan000.txt", "sys-tan500.txt", "tel-tan101.txt",
                                                     "tel-tan126.txt", "tel-tan151.txt", "tel-tan176.txt"};

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool isJoinBlank(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Closes a stdio file on every path out.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

bool acceptHostText(platform::Ui& ui, const platform::Owner& owner, const std::optional<std::string>& cp932) {
    if (cp932 && cp932->empty()) {
        platform::showError(ui, owner, text::toCp932("\nホスト名または、IPアドレスを入力してください。\n"));
        return false;
    }
    bool halfWidth = cp932.has_value();
    if (halfWidth)
        for (const char byte : *cp932)
            if (text::isLeadByte(static_cast<unsigned char>(byte))) halfWidth = false;
    if (!halfWidth) {
        platform::showError(ui, owner, text::toCp932("\nホスト名は半角英数字で入力してください。\n"));
        return false;
    }
    return true;
}

bool acceptPasswordText(platform::Ui& ui, const platform::Owner& owner, std::string_view password) {
    if (password.size() >= kPasswordLength) return true;
    platform::showError(ui, owner, text::toCp932("パスワードを入力してください。"));
    return false;
}

DataSetHeaderRecord dataSetHeaderRecord(const std::tm& localTime) {
    char stamp[64] = {};
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d", localTime.tm_year + 1900, localTime.tm_mon + 1,
                  localTime.tm_mday, localTime.tm_hour, localTime.tm_min);
    const std::string blanks24(24, ' ');
    const std::string line = std::string(stamp) + "," + blanks24 + "," + blanks24 + "," + blanks24 + "," +
                             blanks24 + "," + std::string(72, ' ') + ",    \n";
    // The record keeps its size, with the line feed and the zero byte last, even for a date that
    // would not fit its twelve columns.
    DataSetHeaderRecord record{};
    std::copy_n(line.begin(), std::min(line.size() - 1, kDataSetRecordBytes - 2), record.begin());
    record[kDataSetRecordBytes - 2] = '\n';
    record[kDataSetRecordBytes - 1] = '\0';
    return record;
}

std::string dataSetChunkText(std::span<const char> chunk) {
    std::size_t first = 0;
    while (first < chunk.size() && isJoinBlank(chunk[first])) ++first;
    std::size_t end = first;
    while (end < chunk.size() && chunk[end] != '\0') ++end;
    return {chunk.data() + first, end - first};
}

std::array<std::string, 10> dataSetJoinNames() {
    std::array<std::string, 10> names;
    for (std::size_t group = 0; group < 9; ++group) names[group] = "dset-" + std::to_string(group) + "00.txt";
    names[9] = "dset-9000.txt";
    return names;
}

bool joinDataSetFiles(const std::string& directory, const std::tm& localTime) {
    const File joined(std::fopen((directory + "data-set.txt").c_str(), "wb"));
    if (!joined) return false;
    const DataSetHeaderRecord header = dataSetHeaderRecord(localTime);
    bool written = std::fwrite(header.data(), 1, header.size(), joined.get()) == header.size();
    for (const std::string& name : dataSetJoinNames()) {
        const File part(std::fopen((directory + name).c_str(), "rb"));
        if (!part) continue;
        std::array<char, kDataSetRecordBytes> chunk{};
        // The file's own header record is not carried over.
        if (std::fread(chunk.data(), 1, chunk.size(), part.get()) != chunk.size()) continue;
        for (;;) {
            chunk.fill('\0');
            const std::size_t count = std::fread(chunk.data(), 1, chunk.size(), part.get());
            if (count == 0) break;
            const std::string text = dataSetChunkText(std::span<const char>(chunk.data(), count));
            written = std::fwrite(text.data(), 1, text.size(), joined.get()) == text.size() && written;
        }
    }
    return written;
}

bool confirmTransfer(platform::Ui& ui, const platform::Owner& owner, TransferDirection direction) {
    const bool read = direction == TransferDirection::Read;
    return platform::askQuestion(ui, owner,
                                 text::toCp932(read ? "\n電話帳データの読込を開始します。\n"
                                                    : "\n電話帳データの書込を開始します。\n"),
                                 text::toCp932(read ? "電話帳データの読込確認" : "電話帳データの書込確認"),
                                 platform::Buttons::OkCancel) == platform::Answer::Ok;
}

void reportTransferEnd(platform::Ui& ui, const platform::Owner& owner, TransferDirection direction,
                       int result) {
    if (result != 0) {
        platform::showError(ui, owner, text::toCp932("\n通信エラーが発生しました。\n"));
        return;
    }
    const bool read = direction == TransferDirection::Read;
    platform::showInformation(ui, owner,
                              text::toCp932(read ? "\n電話帳データの読込が正常に終了しました。\n"
                                                 : "\n電話帳データの書込が正常に終了しました。\n"),
                              text::toCp932(read ? "電話帳データの読込の終了" : "電話帳データの書込の終了"));
}

void PhonebookProcedures::applyMemorySelection(int memorySelection) {
    image::DataImage& image = workspace_.image();
    if (image.memoryMode != memorySelection) image.memoryMode = static_cast<std::uint8_t>(memorySelection);
}

std::string PhonebookProcedures::workDirectory() const {
    std::string directory = workspace_.flags().startupDir;
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory;
}

int PhonebookProcedures::runRead(const std::string& password) {
    const platform::Seam& seam = session_.seam();
    platform::postCommunicationProgress(seam.progress, platform::WM_PRG_SETPOS, 0);
    session_.SetWorkDirectory(workspace_.flags().startupDir);
    session_.SetPassword(password);
    const int result = session_.ReadPhonebook(0);
    if (result != 0) return result;

    const std::string directory = workDirectory();
    phonebook::PhonebookFileSettings& settings = workspace_.fileSettings();
    settings.phoneDir = directory;
    // A data-set.txt that cannot be written does not spoil the phonebook just read.
    static_cast<void>(joinDataSetFiles(directory, localNow()));

    // The main unit's common phonebook has the kanji name before the kana name. The transfer has
    // just written both files; what they hold is what the read brought.
    settings.unitOrderFlag = 1;
    settings.phoneFileName = "sys-tan.txt";
    static_cast<void>(phonebook::readPhonebookFile(workspace_, seam.ui, phonebook::kCommonPhonebookFile));
    settings.unitOrderFlag = 0;
    settings.phoneFileName = "tel-tan.txt";
    static_cast<void>(phonebook::readPhonebookFile(workspace_, seam.ui, phonebook::kMyPhonebookFile));
    workspace_.flags().phonebookPresent = 1;
    tellLog(TransferDirection::Read);
    return 0;
}

void PhonebookProcedures::prepareWrite(const std::string& password) {
    const platform::Seam& seam = session_.seam();
    session_.SetWorkDirectory(workspace_.flags().startupDir);
    const std::string directory = workDirectory();
    phonebook::PhonebookFileSettings& settings = workspace_.fileSettings();
    settings.phoneDir = directory;
    session_.SetPassword(password);

    // Page files left by an earlier write would otherwise be sent in place of pages that cannot
    // be generated now; without them the main unit's request fails and the write says so.
    std::error_code error;
    for (const char* page : kUploadPages) std::filesystem::remove(directory + page, error);

    // Likewise a speed-dial file that could not be written now: the one on the disk is older, and
    // its pages would be sent as if they were the phonebook. A file that cannot be written (a full
    // disk) is named at once; the write then fails when the main unit asks for its pages.
    const platform::Owner owner{seam.progress.windowHandle(platform::fileProgressTitle()), "file progress"};
    const auto said = [&](int result, const platform::WriteFailure& failure) {
        if (result != phonebook::kFileDone && failure.failed())
            platform::showError(seam.ui, owner, platform::writeFailureText(failure));
        return result == phonebook::kFileDone;
    };
    platform::WriteFailure failure;
    settings.unitOrderFlag = 1;
    settings.phoneFileName = "sys-tan.txt";
    const int common =
        phonebook::writePhonebookFile(workspace_, seam.ui, phonebook::kCommonPhonebookFile, &failure);
    settings.unitOrderFlag = 0;
    if (said(common, failure)) said(session_.PrepareSysTanUpload(&failure), failure);
    settings.phoneFileName = "tel-tan.txt";
    failure = {};
    const int mine =
        phonebook::writePhonebookFile(workspace_, seam.ui, phonebook::kMyPhonebookFile, &failure);
    if (said(mine, failure)) said(session_.PrepareTelTanUpload(&failure), failure);
}

int PhonebookProcedures::runWrite() {
    const int result = session_.WritePhonebook(0);
    if (result == 0) tellLog(TransferDirection::Write);
    return result;
}

void PhonebookProcedures::tellLog(TransferDirection direction) {
    if (log_ == nullptr) return;
    // The files of the work directory are what was read, or what the pages just sent were made from.
    const std::string directory = workDirectory();
    phonebook::TransferRecord record;
    record.host = session_.host();
    record.direction = direction;
    record.memoryMode = workspace_.image().memoryMode;
    record.firmwareVersion = session_.firmwareVersion();
    record.commonFile = fileBytes(directory + "sys-tan.txt");
    record.myFile = fileBytes(directory + "tel-tan.txt");
    log_->completed(record);
}

} // namespace rk::link
