#include "mainunit/main_unit_simulator.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rk::mainunit {
namespace {

constexpr int kWaitMs = 15000;
// Waits are cut into slices this long, so that a stop is seen promptly.
constexpr int kSliceMs = 100;

// Waits until a socket is readable: true when it is, false when the time is up, the wait failed
// or a stop was asked for.
bool waitReadable(int fd, int milliseconds, const std::atomic<bool>& stop) {
    for (int waited = 0; waited < milliseconds && !stop; waited += kSliceMs) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, std::min(kSliceMs, milliseconds - waited));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
    return false;
}

// Raw socket helpers of the simulator: it shares no code with the PC side it tests.
class Connection {
public:
    explicit Connection(const std::atomic<bool>& stop, int fd = -1) : stop_(stop), fd_(fd) {}
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool open() const { return fd_ >= 0; }

    bool connectTo(const std::string& address, int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
            close();
            return false;
        }
        return true;
    }

    bool send(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool readByte(char& byte) {
        if (!waitReadable(fd_, kWaitMs, stop_)) return false;
        return ::recv(fd_, &byte, 1, 0) == 1;
    }

    // A line without CR LF; false when the connection ended first.
    bool readLine(std::string& line) {
        line.clear();
        char byte = 0;
        while (readByte(byte)) {
            if (byte == '\n' && !line.empty() && line.back() == '\r') {
                line.pop_back();
                return true;
            }
            line.push_back(byte);
        }
        return false;
    }

    // First line and headers (names lower-cased); false when nothing came.
    bool readHead(std::string& first, std::map<std::string, std::string>& headers) {
        headers.clear();
        if (!readLine(first)) return false;
        std::string line;
        while (readLine(line) && !line.empty()) {
            const auto colon = line.find(':');
            if (colon == std::string::npos) continue;
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            headers[name] = value;
        }
        return true;
    }

    std::string readBody(std::size_t length) {
        std::string body;
        char byte = 0;
        while (body.size() < length && readByte(byte)) body.push_back(byte);
        return body;
    }

private:
    const std::atomic<bool>& stop_;
    int fd_;
};

std::string base64(const std::string& bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[v & 63] : '=';
    }
    return out;
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

int statusOf(const std::string& statusLine) {
    const auto blank = statusLine.find(' ');
    return blank == std::string::npos ? -1 : std::atoi(statusLine.c_str() + blank + 1);
}

std::string reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    default:
        return "Error";
    }
}

std::string response(int status, const std::string& body, bool withLength = true) {
    std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
    text += "Server: Rk/L\r\nConnection: Keep-Alive\r\n";
    if (withLength) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    text += "\r\n";
    return text + body;
}

// Moves the calling thread into a network namespace; false when that cannot be done.
bool enterNamespace(const std::string& path) {
    if (path.empty()) return true;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return entered;
}

std::string three(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

} // namespace

std::string systanText(const std::vector<UnitRecord>& records, bool separatorConvention) {
    std::string text;
    for (const UnitRecord& record : records) {
        if (record.position != 0) continue;
        const std::string fields[] = {three(record.memory), record.number, record.kanji, record.kana,
                                      "0" + std::to_string(record.group)};
        for (std::size_t i = 0; i < 5; ++i) {
            text += fields[i];
            if (i < 4) text += separatorConvention ? "s" : ",";
        }
        text += separatorConvention ? "\n\n" : ",\n\n";
    }
    return text;
}

std::string teltanText(const std::vector<UnitRecord>& records, bool separatorConvention) {
    std::string text;
    for (const UnitRecord& record : records) {
        if (record.position == 0) continue;
        const std::string sep = separatorConvention ? "s" : ",";
        text += three(record.position) + "_" + three(record.memory) + sep + record.number + sep +
                record.kanji + sep + record.kana;
        text += separatorConvention ? "\n\n" : ",\n\n";
    }
    return text;
}

MainUnitSimulator::MainUnitSimulator(Options options) : options_(std::move(options)) {}

MainUnitSimulator::~MainUnitSimulator() {
    finish(0);
}

bool MainUnitSimulator::start() {
    // The listening socket is made inside the unit's namespace; the thread goes back afterwards.
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home < 0 || !enterNamespace(options_.networkNamespace)) {
        if (home >= 0) ::close(home);
        return false;
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool returned = ::setns(home, CLONE_NEWNET) == 0;
    ::close(home);
    if (!returned) return false;
    const int reuse = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(options_.port));
    ::inet_pton(AF_INET, options_.listenAddress.c_str(), &address.sin_addr);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 2) != 0) {
        ::close(listener_);
        listener_ = -1;
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
    return true;
}

void MainUnitSimulator::finish(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!completed_ && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stopping_ = true;
    if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
}

void MainUnitSimulator::note(const std::string& line) {
    std::lock_guard lock(mutex_);
    log_.push_back(line);
}

std::string MainUnitSimulator::fileList() const {
    std::lock_guard lock(mutex_);
    return fileList_;
}

std::vector<std::pair<std::string, std::string>> MainUnitSimulator::uploads() const {
    std::lock_guard lock(mutex_);
    return uploads_;
}

std::vector<std::string> MainUnitSimulator::statusesSeen() const {
    std::lock_guard lock(mutex_);
    return statuses_;
}

std::vector<std::string> MainUnitSimulator::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void MainUnitSimulator::run() {
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = true; }
    } done{completed_};
    if (!enterNamespace(options_.networkNamespace)) return note("cannot enter the network namespace");
    do {
        serveTransfer();
        if (stopping_) break;
        if (options_.afterTransfer) {
            TransferOutcome outcome;
            {
                std::lock_guard lock(mutex_);
                outcome = {log_, uploads_, uploadComplete_};
            }
            options_.afterTransfer(outcome, options_.systan, options_.teltan);
        }
        if (options_.serveRepeatedly) {
            std::lock_guard lock(mutex_);
            fileList_.clear();
            uploads_.clear();
            statuses_.clear();
            log_.clear();
            uploadComplete_ = false;
        }
    } while (options_.serveRepeatedly && !stopping_);
}

void MainUnitSimulator::serveTransfer() {
    // Serving one transfer after another, the unit waits for the PC for as long as it runs.
    for (;;) {
        if (waitReadable(listener_, kWaitMs, stopping_)) break;
        if (stopping_ || !options_.serveRepeatedly) return note("no connection from the PC");
    }
    Connection pc(stopping_, ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
    std::string first;
    std::map<std::string, std::string> headers;
    if (!pc.readHead(first, headers)) return note("no connection.xml request");
    note("PC asked: " + first);
    if (options_.silentConnectionInfo) {
        while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return;
    }
    const std::string info = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<root>\r\n<fw_ver>" +
                             options_.firmwareVersion + "</fw_ver>\r\n<dev_type>" + options_.deviceType +
                             "</dev_type>\r\n<password>" + options_.password.substr(0, 4) +
                             "</password>\r\n</root>\r\n";
    if (options_.connectionStatus != 200) {
        pc.send(response(options_.connectionStatus, ""));
        return note("refused connection.xml");
    }
    pc.send(response(200, info, !options_.connectionInfoWithoutLength));
    if (options_.noConnectBack) return note("stays away");

    // The PC now listens; connect back and fetch the file list.
    Connection back(stopping_);
    for (int attempt = 0; attempt < 50 && !back.open() && !stopping_; ++attempt) {
        const int pcPort = options_.pcPortSource ? options_.pcPortSource() : options_.pcPort;
        if (!back.connectTo(options_.pcAddress, pcPort))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!back.open()) return note("could not connect back");

    const std::string credentials = options_.wrongCredentials ? "nobody:0000" : ":" + options_.password;
    const std::string authorization = "Authorization: Basic " + base64(credentials) + "\r\n";
    const auto request = [&](const std::string& name, bool withCredentials) {
        return options_.method + " /" + name + " HTTP/1.1\r\nHost: pc\r\n" +
               (withCredentials ? authorization : "") + "\r\n";
    };
    const auto exchange = [&](const std::string& name, std::string& body) {
        std::string status;
        std::map<std::string, std::string> answer;
        back.send(request(name, options_.credentialsOnFirstRequest));
        if (!options_.credentialsOnFirstRequest) {
            if (!back.readHead(status, answer)) return -1;
            std::lock_guard lock(mutex_);
            statuses_.push_back(status);
        }
        back.send(request(name, true));
        if (!back.readHead(status, answer)) return -1;
        {
            std::lock_guard lock(mutex_);
            statuses_.push_back(status);
        }
        const int code = statusOf(status);
        if (code == 200)
            body = back.readBody(static_cast<std::size_t>(std::atol(answer["content-length"].c_str())));
        return code;
    };

    std::string list;
    if (exchange(options_.fileListName, list) != 200) return note("file list refused");
    {
        std::lock_guard lock(mutex_);
        fileList_ = list;
    }
    // "<KEY>address/name</KEY>" lines after the UD-TYPE line.
    std::vector<std::string> names;
    for (std::size_t start = list.find("</UD-TYPE>"); start != std::string::npos;) {
        const std::size_t lineStart = list.find("\r\n", start);
        if (lineStart == std::string::npos) break;
        const std::size_t lineEnd = list.find("\r\n", lineStart + 2);
        if (lineEnd == std::string::npos) break;
        const std::string line = list.substr(lineStart + 2, lineEnd - lineStart - 2);
        start = lineEnd;
        const std::size_t close = line.rfind("</");
        if (line.starts_with("</") || close == std::string::npos) continue;
        const std::size_t slash = line.rfind('/', close - 1);
        if (slash != std::string::npos) names.push_back(line.substr(slash + 1, close - slash - 1));
    }

    if (list.find("<UD-TYPE>UPLOAD</UD-TYPE>") != std::string::npos) {
        int fetched = 0;
        for (const std::string& name : names) {
            if (options_.uploadFileLimit >= 0 && fetched >= options_.uploadFileLimit)
                return note("stopped early");
            const auto override = options_.requestNameOverride.find(name);
            std::string body;
            const int code =
                exchange(override == options_.requestNameOverride.end() ? name : override->second, body);
            if (code != 200) return note("upload of " + name + " refused");
            std::lock_guard lock(mutex_);
            uploads_.emplace_back(name, body);
            ++fetched;
        }
        {
            std::lock_guard lock(mutex_);
            uploadComplete_ = true;
        }
        return note("upload complete");
    }

    // A read: answer the PC's two requests per file.
    while (!stopping_) {
        if (!back.readHead(first, headers)) return note("read ended");
        note("PC asked: " + first);
        const auto blank = first.find(' ');
        const std::string name = first.substr(blank + 2, first.find(' ', blank + 1) - blank - 2);
        if (headers.count("authorization") == 0) {
            back.send(response(options_.downloadFirstStatus, ""));
            continue;
        }
        if (headers["authorization"] != base64(options_.password) || options_.downloadSecondStatus != 200) {
            back.send(
                response(options_.downloadSecondStatus == 200 ? 401 : options_.downloadSecondStatus, ""));
            continue;
        }
        std::string element;
        if (!options_.omitElements) {
            if (name == "sys-tan.txt") element = "<systan>" + xmlEscaped(options_.systan) + "</systan>\n";
            if (name == "tel-tan.txt") element = "<teltan>" + xmlEscaped(options_.teltan) + "</teltan>\n";
            if (const auto found = options_.downloadElements.find(name);
                found != options_.downloadElements.end())
                element = found->second;
        }
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<root>\n" + element + "</root>\n";
        if (options_.truncateDownloadBody) {
            const std::string whole = response(200, body);
            back.send(whole.substr(0, whole.size() - body.size() / 2));
            return note("closed in the middle of " + name);
        }
        back.send(response(200, body));
    }
}

} // namespace rk::mainunit
