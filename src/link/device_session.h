// The device link's one object: logs in to the main unit, lets it connect back, serves it the
// file list and the data files of a write, and fetches the phonebook files of a read. Runs on
// one thread at a time (a worker thread in the program); messages go through the operator seam,
// owned by the communication progress window. What a read brings in goes into the workspace.
#pragma once

#include "link/http_message.h"
#include "net/tcp_socket.h"
#include "phonebook/workspace.h"
#include "platform/file_writer.h"
#include "platform/seam.h"

#include <memory>
#include <string>
#include <vector>

namespace rk::link {

// The device link talks over the sockets of the transport below it.
using net::TcpSocket;

class DeviceSession {
public:
    static constexpr int kDefaultPort = 9000;
    static constexpr const char* kDeviceModel = "Rk/L";
    static constexpr const char* kTemporaryFolder = "Tov2_L";

    DeviceSession(Workspace& workspace, const platform::Seam& seam);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    void SetHost(const std::string& host, int port);
    void SetPassword(const std::string& password);
    // Empty: no directory. Otherwise stored without one trailing separator.
    void SetWorkDirectory(const std::string& directory);

    // The operations the read and write procedures call. 0 success, -1 failure (messages
    // already shown).
    [[nodiscard]] int ReadPhonebook(int paceFlag);
    [[nodiscard]] int WritePhonebook(int paceFlag);
    // Turn the work directory's sys-tan.txt / tel-tan.txt into the main unit's page files.
    // 0 when the page files were made, 30 when not (`failure`, when given, says which file could
    // not be written and why).
    [[nodiscard]] int PrepareSysTanUpload(platform::WriteFailure* failure = nullptr);
    [[nodiscard]] int PrepareTelTanUpload(platform::WriteFailure* failure = nullptr);

    // The steps of a transfer, public so that each can be exercised on its own.
    [[nodiscard]] int RunTransfer(int direction);
    [[nodiscard]] int ConnectDevice();
    [[nodiscard]] int ListenDevice();
    [[nodiscard]] int FetchDeviceInfo();
    [[nodiscard]] int WriteFileList(int direction);
    std::string MakeTempFileName();
    void ReportTransferRange(int start, int end, int total);
    [[nodiscard]] int ServiceProcess();
    // Makes an already accepted connection the main unit's return connection, as the first
    // ServiceProcess of a transfer would (for the fuzzer, which has no listening socket).
    void AdoptReturnConnection(std::unique_ptr<TcpSocket> connection) {
        returnConnection_ = std::move(connection);
        returnConnectionFlag_ = 1;
    }
    // Receives the first file of the list. What it writes into the work directory waits beside
    // its place until the whole read has arrived: the files of a read take their places together,
    // and a read that fails leaves the work directory's files as they were.
    [[nodiscard]] int ReceiveFile();

    // HTTP operations over the session's fields.
    [[nodiscard]] int ParseStatusLine(const std::string& line);
    int StatusClass() const;
    [[nodiscard]] int ParseRequestLine(const std::string& line);
    [[nodiscard]] int ParseHeaderLine(const std::string& line);
    [[nodiscard]] int CheckAuthorization(const std::string& credentials) const;
    [[nodiscard]] int SendResponse(int statusCode, TcpSocket& connection);
    std::string BuildRequest(int kind) const;

    // Facts the callers and tests read.
    const std::string& host() const { return host_; }
    int port() const { return port_; }
    // The PC's listening port: as set (9000 in the program), or, for 0, the port the system
    // chose once the session listens.
    int listenPort() const { return listenPort_; }
    void setListenPort(int port) { listenPort_ = port; }
    // Where the listening socket binds: all local addresses unless a test narrows it.
    void setListenAddress(const std::string& address) { listenAddress_ = address; }
    const std::string& workDirectory() const { return workDirectory_; }
    const platform::Seam& seam() const { return seam_; }
    Workspace& workspace() { return workspace_; }
    const std::string& firmwareVersion() const { return firmwareVersion_; }
    void setTransferState(int state) { transferState_ = state; }
    int fwIs100() const { return fwIs100_; }
    int fwIs501() const { return fwIs501_; }
    int progressStep() const { return progressStep_; }
    const std::vector<std::string>& fileList() const { return fileList_; }
    std::vector<std::string>& fileList() { return fileList_; }
    void setFileCount(int count) { fileCount_ = count; }
    void newRecord() { record_ = std::make_unique<HttpHeaderRecord>(); }
    int acceptLimitSeconds = 20;

private:
    static constexpr int kServiceLineSize = 1025; // request lines of at most 1,024 bytes

    platform::Owner messageOwner() const;
    std::unique_ptr<TcpSocket> newSocket() const { return std::make_unique<TcpSocket>(seam_); }
    void post(int message, std::int64_t value) const;
    void warn(const char* utf8Text) const;
    // Says which file could not be written and why (a full disk, say).
    void warnWriteFailure(const platform::WriteFailure& failure) const;
    // Puts the files a read received in their places; false (after saying why) when one could not.
    bool placeReceivedFiles();
    std::string temporaryFolder() const;
    void deleteTemporaryFiles();
    void closeClientAndListener();
    void dropSockets();
    int readResponseHead(TcpSocket& connection, int statusLimit, int headerLimit, bool timeoutMessage);
    int readRequest(TcpSocket& connection);
    void removeFromFileList(const std::string& name);
    int receiveLoop(int position);

    Workspace& workspace_;
    platform::Seam seam_;
    std::unique_ptr<TcpSocket> client_;
    std::unique_ptr<TcpSocket> listener_;
    std::unique_ptr<TcpSocket> returnConnection_;
    int transferState_ = 0;
    int requestMethod_ = 0;
    int lastStatusCode_ = -1;
    std::string workDirectory_;
    std::string operatorPassword_ = "0000";
    std::string requestPath_;
    std::string localAddress_;
    std::string host_;
    int port_ = kDefaultPort;
    int listenPort_ = kDefaultPort;
    std::string listenAddress_ = "0.0.0.0";
    std::string deviceInfoFile_;
    std::string fileListFile_;
    std::string lastCopyFile_;
    std::unique_ptr<HttpHeaderRecord> record_;
    std::string firmwareVersion_;
    std::string deviceType_;
    std::string devicePassword_;
    std::vector<std::string> fileList_;
    int fileCount_ = 0;
    std::string currentFileName_;
    int progressBase_ = 0;
    int progressStep_ = 0;
    int returnConnectionFlag_ = 0;
    int paceFlag_ = 0;
    int fwIs100_ = 0;
    int fwIs501_ = 0;
    int dset600Count_ = 0;
    void* progressWindow_ = nullptr;
    int temporaryFileError_ = 0; // why MakeTempFileName found no name
    // The files of the read under way, complete but not yet in their places.
    std::vector<std::unique_ptr<platform::FileWriter>> receivedFiles_;
};

} // namespace rk::link
