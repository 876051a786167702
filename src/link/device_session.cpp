#include "link/device_session.h"

#include "link/device_info.h"
#include "platform/file_writer.h"
#include "platform/progress.h"
#include "platform/text.h"

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

namespace rk::link {

namespace fs = std::filesystem;

namespace {

constexpr int kLineSize = 1024; // lines of at most 1,023 bytes

bool readWholeFile(const std::string& path, std::string& content) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace

DeviceSession::DeviceSession(Workspace& workspace, const platform::Seam& seam)
    : workspace_(workspace), seam_(seam), host_("localhost") {}

DeviceSession::~DeviceSession() = default;

void DeviceSession::SetHost(const std::string& host, int port) {
    host_ = host;
    port_ = port;
}

void DeviceSession::SetPassword(const std::string& password) {
    operatorPassword_ = password;
}

void DeviceSession::SetWorkDirectory(const std::string& directory) {
    workDirectory_ = directory;
    if (!workDirectory_.empty() && (workDirectory_.back() == '/' || workDirectory_.back() == '\\'))
        workDirectory_.pop_back();
}

platform::Owner DeviceSession::messageOwner() const {
    return {progressWindow_, progressWindow_ != nullptr ? "communication progress" : ""};
}

void DeviceSession::warn(const char* utf8Text) const {
    platform::showError(seam_.ui, messageOwner(), text::toCp932(utf8Text));
}

void DeviceSession::warnWriteFailure(const platform::WriteFailure& failure) const {
    platform::showError(seam_.ui, messageOwner(), platform::writeFailureText(failure));
}

void DeviceSession::post(int message, std::int64_t value) const {
    platform::postCommunicationProgress(seam_.progress, message, value);
}

std::string DeviceSession::temporaryFolder() const {
    return workDirectory_ + "/" + kTemporaryFolder;
}

std::string DeviceSession::MakeTempFileName() {
    const std::string folder = temporaryFolder();
    std::error_code error;
    fs::create_directories(folder, error);
    // A new empty file with a hexadecimal name and ".tmp", as the system's own temporary names.
    static std::minstd_rand random(static_cast<unsigned>(::getpid()));
    unsigned start = random() & 0xFFFF;
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        char name[16];
        std::snprintf(name, sizeof name, "%X.tmp", ((start + attempt) & 0xFFFF) + 1);
        const std::string path = folder + "/" + name;
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor >= 0) {
            ::close(descriptor);
            return path;
        }
        temporaryFileError_ = errno;
        if (errno != EEXIST) break;
    }
    return {};
}

void DeviceSession::deleteTemporaryFiles() {
    std::error_code error;
    for (fs::directory_iterator it(temporaryFolder(), error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".tmp") fs::remove(it->path(), error);
}

void DeviceSession::ReportTransferRange(int start, int end, int total) {
    post(platform::WM_PRG_STARTPOS, start);
    post(platform::WM_PRG_ENDPOS, end);
    post(platform::WM_PRG_RANGE, total);
}

int DeviceSession::ConnectDevice() {
    if (!client_) {
        client_ = newSocket();
        listener_ = newSocket();
    }
    if (client_->Create() != 1) {
        warn("ソケット作成失敗");
        return 0;
    }
    if (client_->Connect(host_, port_) != 1) {
        warn("コネクト失敗");
        return 0;
    }
    localAddress_ = client_->LocalAddress();
    return 1;
}

int DeviceSession::ListenDevice() {
    if (!listener_) listener_ = newSocket();
    listener_->bindAddress = listenAddress_;
    listener_->acceptLimitSeconds = acceptLimitSeconds;
    if (listener_->Create() != 1) return 0;
    if (listener_->Listen(static_cast<std::uint16_t>(listenPort_), 2) != 1) {
        listener_->Close();
        return 0;
    }
    if (listenPort_ == 0) listenPort_ = listener_->LocalPort();
    return 1;
}

int DeviceSession::readResponseHead(TcpSocket& connection, int statusLimit, int headerLimit,
                                    bool timeoutMessage) {
    std::string line;
    int limit = statusLimit;
    if (connection.ReadLineTimed(line, kLineSize, limit) <= 0) {
        if (limit == -1 && timeoutMessage) warn("主装置との接続がタイムアウトしました。");
        return limit == -1 ? -1 : 0;
    }
    if (ParseStatusLine(line) != 1) return -2;
    for (;;) {
        int headerLimitLeft = headerLimit;
        const int length = headerLimit > 0 ? connection.ReadLineTimed(line, kLineSize, headerLimitLeft)
                                           : connection.ReadLine(line, kLineSize);
        if (length <= 0) break;
        // A header line the session does not take changes nothing; the head goes on.
        static_cast<void>(ParseHeaderLine(line));
    }
    return 1;
}

int DeviceSession::FetchDeviceInfo() {
    deviceInfoFile_.clear();
    if (!record_) newRecord();
    const std::string request = BuildRequest(kRequestConnectionInfo);
    if (client_->SendLine(request) != static_cast<int>(request.size()) + 2) {
        warn("送信が正常に終了しませんでした");
        return 0;
    }
    const int head = readResponseHead(*client_, 3, 10, false);
    if (head == -1) {
        warn("主装置との接続がタイムアウトしました。");
        return 0;
    }
    if (head == 0) {
        warn("主装置からの装置データの受信に失敗しました。");
        return 0;
    }
    if (head == -2) {
        warn("受信データのヘッダが異常です。");
        return 0;
    }
    if (StatusClass() != 2) {
        client_->Close();
        warn(lastStatusCode_ == 404 ? "主装置使用中です。" : "データ受信に失敗しました。");
        return 0;
    }

    std::string path = MakeTempFileName();
    if (const auto dot = path.rfind(".tmp"); dot != std::string::npos) path.replace(dot, 4, ".xml");
    if (path.empty() || !platform::replaceFile(path, {})) {
        warn("受信データファイルの作成に失敗しました。");
        return 0;
    }
    deviceInfoFile_ = path;

    // The body: exactly the announced length, or lines up to "</root>" when none was announced.
    std::string body;
    bool received = true;
    if (record_->contentLength >= 0) {
        while (static_cast<int>(body.size()) < record_->contentLength) {
            if (client_->ReceiveTimed(body, record_->contentLength - static_cast<int>(body.size()), 10) <=
                0) {
                received = false;
                break;
            }
        }
    } else {
        std::string line;
        for (;;) {
            int limit = 3;
            if (client_->ReadLineTimed(line, kLineSize, limit) < 1) {
                if (limit == -1) {
                    warn("主装置との接続がタイムアウトしました。");
                    received = false;
                }
                break;
            }
            body += line;
            if (line.starts_with("</root>")) break;
        }
    }
    std::error_code error;
    if (!received) {
        fs::remove(deviceInfoFile_, error);
        return 0;
    }
    platform::WriteFailure failure;
    if (!platform::replaceFile(deviceInfoFile_, body, &failure)) {
        warnWriteFailure(failure);
        fs::remove(deviceInfoFile_, error);
        return 0;
    }

    std::string stored;
    const auto info = readWholeFile(deviceInfoFile_, stored) ? parseConnectionInfo(stored) : std::nullopt;
    if (!info) {
        warn("受信ファイルの読み込みに失敗しました。");
        fs::remove(deviceInfoFile_, error);
        return 0;
    }
    if (info->firmwareVersion) {
        firmwareVersion_ = *info->firmwareVersion;
        const auto same = [](std::string_view a, std::string_view b) {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                       return std::tolower(static_cast<unsigned char>(x)) ==
                              std::tolower(static_cast<unsigned char>(y));
                   });
        };
        fwIs100_ = same(firmwareVersion_, "1.00") ? 1 : 0;
        fwIs501_ = same(firmwareVersion_, "5.01") ? 1 : 0;
    }
    if (info->deviceType) deviceType_ = *info->deviceType;
    if (info->password) devicePassword_ = *info->password;
    fs::remove(deviceInfoFile_, error);
    return 1;
}

int DeviceSession::WriteFileList(int direction) {
    if (fileList_.empty()) return 0;
    const std::string path = MakeTempFileName();
    if (path.empty()) {
        warnWriteFailure({temporaryFolder(), temporaryFileError_});
        return 0;
    }
    const std::string address = direction == kDirectionRead ? host_ : localAddress_;
    platform::WriteFailure failure;
    if (!platform::replaceFile(path, buildFileList(direction, address, fileList_), &failure)) {
        warnWriteFailure(failure);
        return 0;
    }
    fileListFile_ = path;
    return 1;
}

void DeviceSession::closeClientAndListener() {
    if (client_) client_->Close();
    if (listener_) listener_->Close();
}

void DeviceSession::dropSockets() {
    client_.reset();
    listener_.reset();
}

int DeviceSession::RunTransfer(int direction) {
    progressWindow_ = seam_.progress.windowHandle(platform::communicationProgressTitle());
    receivedFiles_.clear();
    deleteTemporaryFiles();
    transferState_ = 1;
    post(platform::WM_PRG_SETPOS, 0);
    progressStep_ = 5;
    progressBase_ = 0;

    if (ConnectDevice() != 1) {
        if (client_) client_->Close();
        return -1;
    }
    // Without a file list the main unit's first request is refused, which ends the transfer
    // with its message; the log-in goes ahead as the main unit expects it.
    static_cast<void>(WriteFileList(direction));
    if (ListenDevice() != 1) {
        closeClientAndListener();
        return -1;
    }
    newRecord();
    if (FetchDeviceInfo() != 1) {
        closeClientAndListener();
        record_.reset();
        return -1;
    }
    if (deviceType_ != kDeviceModel) {
        warn("主装置種別エラー発生");
        closeClientAndListener();
        record_.reset();
        return -1;
    }
    if (operatorPassword_ != devicePassword_) {
        warn("パスワードエラーです。");
        closeClientAndListener();
        record_.reset();
        return -1;
    }
    record_.reset();

    transferState_ = 2;
    returnConnectionFlag_ = 0;
    returnConnection_ = newSocket();
    int position = 5;
    post(platform::WM_PRG_SETPOS, position);
    progressStep_ = fileCount_ > 0 ? 95 / fileCount_ : 95;
    progressBase_ = 5;
    ReportTransferRange(5, 5 + progressStep_, INT_MAX);

    for (;;) {
        newRecord();
        if (ServiceProcess() != 1) {
            record_.reset();
            returnConnection_.reset();
            return -1;
        }
        if (direction == kDirectionRead) {
            record_.reset();
            return receiveLoop(position);
        }
        transferState_ = 3;
        post(platform::WM_PRG_SETPOS, position);
        progressBase_ = position;
        position += progressStep_;
        ReportTransferRange(progressBase_, progressBase_ + progressStep_, INT_MAX);
        if (fileList_.empty()) {
            post(platform::WM_PRG_SETPOS, 100);
            seam_.clock.pause(5000);
            record_.reset();
            returnConnection_->Close();
            returnConnection_.reset();
            return 0;
        }
        record_.reset();
    }
}

// ---- HTTP operations over the session's fields ----

int DeviceSession::ParseStatusLine(const std::string& line) {
    return parseStatusLine(line, lastStatusCode_);
}

int DeviceSession::StatusClass() const {
    return statusClass(lastStatusCode_);
}

int DeviceSession::ParseRequestLine(const std::string& line) {
    return parseRequestLine(line, requestMethod_, requestPath_);
}

int DeviceSession::ParseHeaderLine(const std::string& line) {
    if (!record_) newRecord();
    bool keepAlive = false;
    const int result = parseHeaderLine(line, transferState_, *record_, keepAlive);
    // Whichever connection the header came on, it is the client connection that is kept alive.
    // Keep-alive only spares the main unit a reconnection; without it the exchange is the same.
    if (keepAlive && client_) static_cast<void>(client_->SetKeepAlive(true));
    return result;
}

int DeviceSession::CheckAuthorization(const std::string& credentials) const {
    return checkAuthorization(credentials, devicePassword_);
}

int DeviceSession::SendResponse(int statusCode, TcpSocket& connection) {
    const std::string header = buildResponseHeader(statusCode, requestPath_, transferState_, record_.get());
    return connection.SendLine(header) == static_cast<int>(header.size()) + 2 ? 1 : 0;
}

std::string DeviceSession::BuildRequest(int kind) const {
    return buildRequest(kind, currentFileName_, host_, devicePassword_);
}

} // namespace rk::link
