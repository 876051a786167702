// The PC's side of a transfer as the main unit sees it: one GET request answered per call,
// Basic authentication against the main unit's own password, access by transfer state.
#include "link/device_session.h"

#include "image/data_image.h"
#include "phonebook/dataset_files.h"
#include "phonebook/key_files.h"
#include "platform/progress.h"
#include "platform/ui.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

namespace rk::link {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFileListName = "file_list.xml";

// Every name the main unit may fetch besides the file list.
constexpr std::array<std::string_view, 46> kServableNames = {
    "data-set.txt",   "dset-000.txt",   "dset-100.txt",     "dset-180-1.txt",   "dset-180-2.txt",
    "dset-181.txt",   "dset-300.txt",   "dset-310-1.txt",   "dset-310-2.txt",   "dset-311-1.txt",
    "dset-311-2.txt", "dset-312-1.txt", "dset-312-2.txt",   "dset-312-3.txt",   "dset-312-4.txt",
    "dset-313-1.txt", "dset-313-2.txt", "dset-313-3.txt",   "dset-313-4.txt",   "dset-314.txt",
    "dset-366-1.txt", "dset-366-2.txt", "dset-366-3.txt",   "dset-366-4.txt",   "dset-500.txt",
    "dset-600.txt",   "dset-700.txt",   "dset-800.txt",     "dset-9000.txt",    "dset-9100.txt",
    "dset-9300.txt",  "sys-tan000.txt", "sys-tan500.txt",   "tel-tan101.txt",   "tel-tan126.txt",
    "tel-tan151.txt", "tel-tan176.txt", "one-touch101.txt", "one-touch153.txt", "nandemo.txt",
    "nandemo101.txt", "nandemo117.txt", "nandemo133.txt",   "nandemo153.txt",   "nandemo165.txt",
    "nandemo181.txt",
};

std::string lowerCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

} // namespace

int DeviceSession::readRequest(TcpSocket& connection) {
    std::string line;
    int limit = 120;
    if (connection.ReadLineTimed(line, kServiceLineSize, limit) <= 0) return 0;
    if (ParseRequestLine(line) != 1) return 0;
    while (connection.ReadLine(line, kServiceLineSize) > 0) static_cast<void>(ParseHeaderLine(line));
    return 1;
}

void DeviceSession::removeFromFileList(const std::string& name) {
    const auto found = std::find(fileList_.begin(), fileList_.end(), lowerCase(name));
    if (found != fileList_.end()) fileList_.erase(found);
}

int DeviceSession::ServiceProcess() {
    if (!record_) newRecord();
    if (returnConnectionFlag_ == 0) {
        if (listener_) listener_->acceptLimitSeconds = acceptLimitSeconds;
        if (!listener_ || listener_->AcceptTimed(*returnConnection_) != 1) {
            warn("主装置との接続に失敗しました。");
            return 0;
        }
        returnConnectionFlag_ = 1;
    }
    TcpSocket& connection = *returnConnection_;
    const auto refuse = [&](int status) {
        record_->contentLength = -1;
        // The request fails whether or not the refusal reached the main unit.
        static_cast<void>(SendResponse(status, connection));
        return 0;
    };

    // The main unit asks once without credentials and is told to authenticate; a first request
    // that already carries credentials gets no answer. Each request gets a fresh record.
    if (readRequest(connection) != 1) return 0;
    if (record_->authorization.empty()) {
        record_->contentLength = -1;
        // A lost challenge shows in the main unit's next request, which then never comes.
        static_cast<void>(SendResponse(401, connection));
    }
    newRecord();
    if (readRequest(connection) != 1) return 0;
    if (CheckAuthorization(record_->authorization) != 1) return refuse(401);
    if (requestMethod_ != kMethodGet) return refuse(501);

    const std::string requested = requestPath_.empty() ? std::string() : requestPath_.substr(1);
    const std::string name = lowerCase(requested);
    std::string localFile;
    const bool isFileList = name == kFileListName;
    if (isFileList) {
        localFile = fileListFile_;
        dset600Count_ = 0;
    } else if (std::find(kServableNames.begin(), kServableNames.end(), name) != kServableNames.end()) {
        // These files are made from the data image just before the main unit gets them.
        // A builder that cannot write leaves the file missing or as it was; the request is then
        // answered from what is there, as for every other name.
        if (name == "dset-9000.txt" || name == "dset-9100.txt")
            static_cast<void>(
                phonebook::writeDataSetFiles(workspace_, nullptr, 9, workDirectory_, fwIs501_ != 0));
        else if (name == "nandemo101.txt")
            static_cast<void>(phonebook::writeKeyFiles(workspace_.image(), workDirectory_));
        // File names on this system are case-sensitive: the file is looked up by its own name.
        localFile = workDirectory_ + "/" + name;
    } else {
        return refuse(404);
    }
    std::error_code error;
    if (localFile.empty() || !fs::is_regular_file(localFile, error)) return refuse(404);
    if (transferState_ == 2 ? !isFileList : transferState_ != 3) return refuse(403);

    if (!isFileList) {
        // The copy that every served file leaves in the temporary area: a disk too full for it is
        // said before the request is refused.
        const std::string copy = MakeTempFileName();
        if (copy.empty()) {
            warnWriteFailure({temporaryFolder(), temporaryFileError_});
            return refuse(403);
        }
        if (!fs::copy_file(localFile, copy, fs::copy_options::overwrite_existing, error)) {
            warnWriteFailure({copy, error.value()});
            return refuse(403);
        }
        lastCopyFile_ = copy;
        if (name == "dset-600.txt") {
            // The second request after a file list is answered with the file's second half.
            if (dset600Count_ == 1) localFile = workDirectory_ + "/dset-600-1.txt";
            ++dset600Count_;
        }
    }

    std::ifstream file(localFile, std::ios::binary);
    if (!file) return refuse(403);
    const std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return refuse(403);
    if (transferState_ == 3)
        ReportTransferRange(progressBase_, progressBase_ + progressStep_, static_cast<int>(body.size()));

    seam_.clock.pause(paceFlag_ == 0 ? 1000 : 3000);
    record_->contentLength = static_cast<int>(body.size());
    if (SendResponse(200, connection) != 1) return 0;
    for (int i = 0; i < 30; ++i) seam_.clock.pause(paceFlag_ == 0 ? 100 : 250);
    if (connection.SendAll(body.data(), static_cast<int>(body.size()), 1) != static_cast<int>(body.size()))
        return 0;
    removeFromFileList(name);
    for (int i = 0; i < 30; ++i) seam_.clock.pause(paceFlag_ == 0 ? 100 : 200);
    return 1;
}

} // namespace rk::link
