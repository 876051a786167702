// The operations the read and write procedures call, and the PC's side of a read: each file is
// asked for twice on the main unit's connection (the second time with credentials), kept raw
// in the temporary area and converted into the work directory's file.
#include "link/device_session.h"

#include "image/data_image.h"
#include "link/device_info.h"
#include "phonebook/dataset_conversion.h"
#include "phonebook/download_conversion.h"
#include "phonebook/key_conversion.h"
#include "phonebook/line_table.h"
#include "phonebook/page_files.h"
#include "platform/file_writer.h"
#include "platform/progress.h"

#include <pugixml.hpp>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <unordered_map>

namespace rk::link {

namespace fs = std::filesystem;

namespace {

constexpr int kReadFileCount = 2;
constexpr int kWriteFileCount = 7;

// The text of the first element of that name, nullopt when there is none.
std::optional<std::string_view> firstElementText(const pugi::xml_document& document, const char* name) {
    const pugi::xpath_node found = document.select_node((std::string("//") + name).c_str());
    if (!found) return std::nullopt;
    return std::string_view(found.node().child_value());
}

// The items of each data-set file of a read: one element "h" + item number ("h%03d") per item.
struct DataSetRange {
    std::string_view file;
    int first;
    int last;
};
constexpr DataSetRange kDataSetRanges[] = {
    {"dset-000.txt", 0, 99},       {"dset-100.txt", 100, 189}, {"dset-200.txt", 200, 200},
    {"dset-300.txt", 300, 425},    {"dset-400.txt", 400, 400}, {"dset-500.txt", 500, 524},
    {"dset-600.txt", 600, 699},    {"dset-700.txt", 700, 733}, {"dset-800.txt", 800, 860},
    {"dset-9000.txt", 9100, 9534},
};
constexpr int kMostDataSetItems = 5000;

const DataSetRange* dataSetRangeOf(std::string_view file) {
    for (const DataSetRange& range : kDataSetRanges)
        if (range.file == file) return &range;
    return nullptr;
}

// The text of the first element of each name that begins with "h", found in one walk of the
// document instead of one search per item.
std::unordered_map<std::string_view, std::string_view> firstItemElements(pugi::xml_document& document) {
    struct Walker : pugi::xml_tree_walker {
        std::unordered_map<std::string_view, std::string_view> found;
        bool for_each(pugi::xml_node& node) override {
            if (node.type() == pugi::node_element && node.name()[0] == 'h')
                found.emplace(node.name(), node.child_value());
            return true;
        }
    } walker;
    document.traverse(walker);
    return std::move(walker.found);
}

// The body of a data-set file: the commands of every item of its range that has an element.
std::string convertDataSetFile(image::DataImage& image, pugi::xml_document& document,
                               const DataSetRange& range, int fwIs501) {
    const auto elements = firstItemElements(document);
    std::string body;
    const int last = std::min(range.last, range.first + kMostDataSetItems - 1);
    for (int item = range.first; item <= last; ++item) {
        char name[16];
        std::snprintf(name, sizeof name, "h%03d", item);
        const auto found = elements.find(name);
        if (found == elements.end()) continue;
        phonebook::convertDataSetItem(image, item, found->second, fwIs501, body);
    }
    return body;
}

} // namespace

int DeviceSession::ReadPhonebook(int paceFlag) {
    fileList_ = {"sys-tan.txt", "tel-tan.txt"};
    fileCount_ = kReadFileCount;
    paceFlag_ = paceFlag;
    const int result = RunTransfer(kDirectionRead);
    dropSockets();
    return result;
}

int DeviceSession::WritePhonebook(int paceFlag) {
    // The last page is listed twice: the main unit fetches it twice.
    fileList_ = {"sys-tan000.txt", "sys-tan500.txt", "tel-tan101.txt", "tel-tan126.txt",
                 "tel-tan151.txt", "tel-tan176.txt", "tel-tan176.txt"};
    fileCount_ = kWriteFileCount;
    paceFlag_ = paceFlag;
    const int result = RunTransfer(kDirectionWrite);
    dropSockets();
    return result;
}

int DeviceSession::PrepareSysTanUpload(platform::WriteFailure* failure) {
    return phonebook::makeMainUnitSystemFiles(workDirectory_ + "/sys-tan.txt",
                                              workDirectory_ + "/sys-tan000.txt", fwIs100_ == 1, failure);
}

int DeviceSession::PrepareTelTanUpload(platform::WriteFailure* failure) {
    return phonebook::makeMainUnitTelephoneFiles(workDirectory_ + "/tel-tan.txt",
                                                 workDirectory_ + "/tel-tan101.txt", fwIs100_ == 1, failure);
}

int DeviceSession::receiveLoop(int position) {
    transferState_ = 3;
    for (;;) {
        post(platform::WM_PRG_SETPOS, position);
        progressBase_ = position;
        position += progressStep_;
        ReportTransferRange(progressBase_, progressBase_ + progressStep_, INT_MAX);
        newRecord();
        if (ReceiveFile() != 1) {
            returnConnection_->Close();
            record_.reset();
            returnConnection_.reset();
            receivedFiles_.clear(); // nothing of a failed read takes a place in the work directory
            return -1;
        }
        if (fileList_.empty()) {
            post(platform::WM_PRG_SETPOS, 100);
            for (int i = 0; i < 10; ++i) seam_.clock.pause(200);
            record_.reset();
            returnConnection_.reset();
            return placeReceivedFiles() ? 0 : -1;
        }
        record_.reset();
    }
}

int DeviceSession::ReceiveFile() {
    if (fileList_.empty()) return 0;
    currentFileName_ = fileList_.front();
    TcpSocket& connection = *returnConnection_;

    const auto ask = [&](int kind) {
        const std::string request = BuildRequest(kind);
        if (connection.SendLine(request) != static_cast<int>(request.size()) + 2) {
            warn("送信が正常に終了しませんでした");
            return 0;
        }
        newRecord();
        const int head = readResponseHead(connection, 540, 0, true);
        return head == 1 ? 1 : 0;
    };

    if (ask(kRequestFile) != 1) return 0;
    if (StatusClass() != 2 && lastStatusCode_ != 401) {
        connection.Close();
        return 0;
    }
    seam_.clock.pause(3000);
    if (ask(kRequestFileWithCredentials) != 1) return 0;
    if (StatusClass() != 2) {
        connection.Close();
        return 0;
    }

    const std::string copy = MakeTempFileName();
    if (copy.empty()) {
        warnWriteFailure({temporaryFolder(), temporaryFileError_});
        return 0;
    }
    lastCopyFile_ = copy;
    for (int i = 0; i < 10; ++i) seam_.clock.pause(1000);

    const int length = record_->contentLength;
    ReportTransferRange(progressBase_, progressBase_ + progressStep_, length);
    std::string body;
    // Whatever arrived is kept, even when the connection failed half-way: the XML load decides.
    if (length > 0) static_cast<void>(connection.ReceiveExactReported(body, length, 200, 1));
    platform::WriteFailure failure;
    if (!platform::replaceFile(copy, body, &failure)) {
        warnWriteFailure(failure);
        return 0;
    }

    // The answer is kept raw in the temporary area; line ends inside it stay exactly as sent.
    pugi::xml_document document;
    if (!document.load_file(copy.c_str(), pugi::parse_default & ~pugi::parse_eol, pugi::encoding_utf8))
        return 0;

    auto output = std::make_unique<platform::FileWriter>();
    if (!output->open(workDirectory_ + "/" + currentFileName_)) {
        warnWriteFailure(output->failure());
        return 0;
    }
    const auto header = workspace_.fileHeaderLine().formatNow();
    output->write(std::string_view(header.data(), header.size()));
    if (currentFileName_ == "sys-tan.txt")
        output->write(phonebook::convertCommonPhonebook(firstElementText(document, "systan"), fwIs100_));
    else if (currentFileName_ == "tel-tan.txt")
        output->write(phonebook::convertMyPhonebook(firstElementText(document, "teltan"), fwIs100_));
    else if (currentFileName_ == "one-touch.txt")
        output->write(phonebook::convertOneTouchKeys(workspace_.image(), firstElementText(document, "i92")));
    else if (currentFileName_ == "nandemo.txt")
        output->write(phonebook::convertAnythingKeys(workspace_.image(), firstElementText(document, "i14")));
    else if (const DataSetRange* range = dataSetRangeOf(currentFileName_))
        output->write(convertDataSetFile(workspace_.image(), document, *range, fwIs501_));
    // On the disk, beside its place, until the whole read has arrived.
    if (!output->finish()) {
        warnWriteFailure(output->failure());
        return 0;
    }
    receivedFiles_.push_back(std::move(output));

    removeFromFileList(currentFileName_);
    return 1;
}

bool DeviceSession::placeReceivedFiles() {
    std::vector<std::unique_ptr<platform::FileWriter>> files = std::move(receivedFiles_);
    receivedFiles_.clear();
    for (const auto& file : files) {
        if (!file->commit()) {
            warnWriteFailure(file->failure());
            return false;
        }
    }
    return true;
}

} // namespace rk::link
