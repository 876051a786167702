// A main unit of our own for tests and demonstrations: it answers connection.xml, connects back
// to the PC, fetches file_list.xml with the 401-then-Basic exchange, answers the PC's requests
// of a read with phonebook XML and fetches every file of a write. Every failure the PC must
// handle has a switch. Loopback only. It serves one transfer, or one after another on the same
// listening socket until it is stopped; every wait ends within a tenth of a second of a stop.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rk::mainunit {

// One memory of the simulator's phonebook, as the main unit keeps it (CP932 texts).
struct UnitRecord {
    int position = 0; // 0: common phonebook; 101..200: a telephone
    int memory = 0;
    std::string number;
    std::string kanji;
    std::string kana;
    int group = 1;
};

// The element texts the main unit sends, in the separators of its firmware ("s" and two line
// feeds for 1.00, "," and ",\n\n" otherwise).
std::string systanText(const std::vector<UnitRecord>& records, bool separatorConvention);
std::string teltanText(const std::vector<UnitRecord>& records, bool separatorConvention);

// What one transfer came to.
struct TransferOutcome {
    std::vector<std::string> log;
    std::vector<std::pair<std::string, std::string>> uploads; // name, body
    bool uploadComplete = false;                              // a write fetched every listed file
};

class MainUnitSimulator {
public:
    struct Options {
        std::string firmwareVersion = "1.01";
        std::string deviceType = "Rk/L";
        std::string password = "1234";
        std::string listenAddress = "127.0.0.1";
        int port = 0; // where the PC connects; 0 picks a free port
        std::string pcAddress = "127.0.0.1";
        int pcPort = 9000; // the PC's listening port to connect back to
        // Asked for the PC's port when the unit connects back, instead of pcPort: a PC side that
        // listens on a port the system chose tells it here.
        std::function<int()> pcPortSource;
        int connectionStatus = 200;               // status of the connection.xml answer
        bool silentConnectionInfo = false;        // never answer connection.xml
        bool connectionInfoWithoutLength = false; // body as lines up to </root>, no Content-Length
        bool noConnectBack = false;
        bool credentialsOnFirstRequest = false; // first file_list.xml request already carries them
        bool wrongCredentials = false;          // Basic credentials that do not match
        std::string method = "GET";             // method of the main unit's requests
        int downloadFirstStatus = 401;          // answer to the PC's request without credentials
        int downloadSecondStatus = 200;         // answer to the request with credentials
        bool truncateDownloadBody = false;      // announce more bytes than are sent, then close
        bool omitElements = false;              // answer with a root element only
        std::string systan;                     // element texts of a read
        std::string teltan;
        // Further files of a read: requested name → the XML placed inside <root> as it is (one
        // or more elements, already escaped). Takes the place of the systan/teltan answers too.
        std::map<std::string, std::string> downloadElements;
        int uploadFileLimit = -1; // stop a write after this many files (-1: all)
        std::map<std::string, std::string> requestNameOverride; // upload entry → name requested
        std::string fileListName = "file_list.xml";             // what the unit asks for first
        // A network namespace (a path such as /var/run/netns/NAME) in which the unit listens and
        // from which it connects back; empty: the namespace of the test.
        std::string networkNamespace;
        // Serve one transfer after another until finish() instead of one only.
        bool serveRepeatedly = false;
        // Called on the unit's thread after every transfer, with what it came to and the element
        // texts that the next read answers with, which it may change.
        std::function<void(const TransferOutcome&, std::string& systan, std::string& teltan)> afterTransfer;
    };

    explicit MainUnitSimulator(Options options);
    ~MainUnitSimulator();
    MainUnitSimulator(const MainUnitSimulator&) = delete;
    MainUnitSimulator& operator=(const MainUnitSimulator&) = delete;

    // Binds and starts serving in the background. False when it cannot listen.
    bool start();
    // Waits until the transfer has ended (or the time is up) and stops, breaking off whatever is
    // still going on.
    void finish(int seconds = 30);
    int port() const { return port_; }

    // What happened, for the test to check.
    std::string fileList() const;
    std::vector<std::pair<std::string, std::string>> uploads() const; // name, body
    std::vector<std::string> statusesSeen() const;                    // status lines the PC sent to the unit
    std::vector<std::string> log() const;
    bool completed() const { return completed_; }

private:
    void run();
    void serveTransfer();
    void note(const std::string& line);

    Options options_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> completed_{false};
    mutable std::mutex mutex_;
    std::string fileList_;
    std::vector<std::pair<std::string, std::string>> uploads_;
    std::vector<std::string> statuses_;
    std::vector<std::string> log_;
    bool uploadComplete_ = false;
};

} // namespace rk::mainunit
