#include "web/easy_http_worker.h"

#include "phonebook/phonebook.h"
#include "platform/text.h"
#include "web/data_script.h"
#include "web/form_decoder.h"
#include "web/http_answer.h"
#include "web/page_title.h"
#include "web/phonebook_access.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace rk::web {
namespace {

constexpr std::size_t kBlockSize = 1024;

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};

} // namespace

CEasyHttpWorker::CEasyHttpWorker(std::shared_ptr<ServerState> state, std::unique_ptr<net::TcpSocket> client,
                                 ServerState::ConnectionEntry entry)
    : state_(std::move(state)), client_(std::move(client)), entry_(entry) {}

CEasyHttpWorker::~CEasyHttpWorker() {
    if (state_) state_->forget(entry_);
    if (client_) client_->Close();
}

void CEasyHttpWorker::Run() {
    if (!state_ || !client_) return;
    // The request arrives before the edit lock is taken: a browser's idle connection (opened ahead
    // of the requests it may make) then holds up nobody, and a slow client at most itself.
    if (!readRequest()) return;
    // Refused before anything is handled: no lock, no store, no step of the edit session.
    const GateVerdict verdict = checkRequest(request_, state_->gate);
    if (!verdict.allowed()) {
        refuse(verdict.refusedBy);
        return;
    }
    if (verdict.setCookie) extraHeader_ = keyCookieLine(state_->gate.accessKey);
    const std::lock_guard lock(state_->workspace.editLock());
    handleUnderLock();
}

bool CEasyHttpWorker::readRequest() {
    const platform::Clock& clock = state_->seam.clock;
    const int limit = clock.limitMilliseconds(state_->requestSeconds);
    net::StreamReader& reader = client_->reader();
    if (!readRequestHead(reader, request_,
                         std::chrono::steady_clock::now() + std::chrono::milliseconds(limit)))
        return false; // no blank: closed without an answer
    // Until here the connection could be closed to make room or because the server stops.
    if (!state_->admitHead(entry_)) return false;
    return readRequestBody(reader, request_, state_->config.maximumBody, clock, limit, body_);
}

void CEasyHttpWorker::refuse(GateRule rule) {
    if (state_->reportRefusal) state_->reportRefusal(rule, request_);
    // The 404's lines, and a word that the connection ends here: a refused client should not try
    // the same connection again.
    extraHeader_ = "Connection: close\r\n";
    static_cast<void>(sendHeader(403, kOctetStream, 0));
}

void CEasyHttpWorker::handleUnderLock() {
    state_->config.redirectAfterSubmission = 0;
    if (body_.announced && isFormSubmission(request_)) submitForm();
    answer();
}

void CEasyHttpWorker::submitForm() {
    Workspace& workspace = state_->workspace;
    PhonebookFormTarget target(workspace);
    ApplySubmittedForm(body_.bytes, target);
    const bool commonPage = isCommonPhonebookPath(request_.path);
    const int firstEntry = firstEntryOfBody(body_.bytes);
    if (isSpeedDialPagePath(request_.path)) {
        state_->editedFlag = 1;
        // Should the edit end before the page's reload commits it, the end commits it instead.
        state_->pendingPage = pageNumberOfPagePath(request_.path);
        state_->pendingKind = commonPage ? phonebook::PageKind::System : phonebook::PageKind::Telephone;
    }
    const phonebook::DuplicateReport& report = workspace.duplicateReport();
    if (report.count > 0)
        showDuplicateMessage(duplicateMessage(report, commonPage ? phonebook::PageKind::System
                                                                 : phonebook::PageKind::Telephone),
                             firstEntry, commonPage);
    state_->config.redirectAfterSubmission = 1;
    workspace.flags().phonebookPresent = 1;
}

void CEasyHttpWorker::showDuplicateMessage(const std::string& text, int firstEntry, bool commonPage) {
    platform::Ui& ui = state_->seam.ui;
    const std::optional<std::string> version = state_->seam.system.browserVersion();
    const std::string title = PageWindowTitle(firstEntry, commonPage,
                                              version ? std::optional<std::string_view>(*version)
                                                      : std::optional<std::string_view>());
    if (void* window = ui.findWindow(title)) {
        static const std::string caption = text::toCp932("エラー");
        ui.messageBox(
            {{window, "browser"}, text, caption, platform::Buttons::Ok, platform::Icon::Exclamation, true});
        return;
    }
    ui.errorNotice(text);
}

bool CEasyHttpWorker::sendHeader(int status, int contentType, std::int64_t length) {
    // Gathered into one send: the bytes are the same as line by line, but no line waits for the
    // browser's acknowledgement of the one before.
    const std::string header = responseHeader(status, contentType, length,
                                              std::chrono::system_clock::to_time_t(state_->seam.clock.now()),
                                              state_->config.serverName, extraHeader_);
    return client_->Send(header.data(), static_cast<int>(header.size())) == static_cast<int>(header.size());
}

void CEasyHttpWorker::sendBlocks(const char* data, std::size_t size) {
    std::size_t sent = 0;
    int fullBlocks = 0;
    while (sent < size) {
        const std::size_t block = std::min(kBlockSize, size - sent);
        if (client_->Send(data + sent, static_cast<int>(block)) != static_cast<int>(block)) return;
        sent += block;
        if (block < kBlockSize) return;
        if (++fullBlocks % 10 == 0) state_->seam.clock.pause(100);
    }
}

bool CEasyHttpWorker::sendFile(const std::string& fileName) {
    struct stat status {};
    // Only a plain file is a page: a directory or a device is answered as missing.
    if (::stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        static_cast<void>(sendHeader(404, kOctetStream, 0));
        return false;
    }
    if (!sendHeader(200, contentTypeOfFile(fileName), static_cast<std::int64_t>(status.st_size)))
        return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return false; // the header is out; nothing more
    char block[kBlockSize];
    int fullBlocks = 0;
    for (;;) {
        const std::size_t count = std::fread(block, 1, sizeof block, file.get());
        if (count > 0 && client_->Send(block, static_cast<int>(count)) != static_cast<int>(count)) break;
        if (count < sizeof block) break;
        if (++fullBlocks % 10 == 0) state_->seam.clock.pause(100);
    }
    if (std::fclose(file.release()) != 0) {
        const int error = errno;
        platform::showError(state_->seam.ui, state_->owner,
                            text::toCp932("一時ファイルCloseERR。: ") + std::to_string(error));
    }
    return true;
}

std::optional<std::string> CEasyHttpWorker::dataScript() {
    Workspace& workspace = state_->workspace;
    // With the duplicate check on, the page just submitted becomes part of the working copy when
    // its page asks for its data again; a page merely visited refreshes the backup copy.
    if (workspace.flags().dupCheckEnabled == 1) {
        if (state_->editedFlag != 0) {
            state_->commitPage(pageNumberOfQuery(request_.query), isCommonPhonebookPath(request_.path)
                                                                      ? phonebook::PageKind::System
                                                                      : phonebook::PageKind::Telephone);
        } else {
            phonebook::commitBackup(workspace);
        }
    }
    PhonebookPageValues values(workspace);
    std::optional<std::string_view> parameter;
    if (!request_.query.empty()) parameter = request_.query;
    std::string script = generateDataScript(pageKeyOfPath(request_.path), parameter, values);
    if (script.empty()) return std::nullopt;
    return script;
}

void CEasyHttpWorker::answer() {
    const ServerConfig& config = state_->config;
    bool sent = false;
    if (request_.pathRefused) {
        static_cast<void>(sendHeader(404, kOctetStream, 0));
    } else if (isDataScriptPath(request_.path)) {
        // Sent from memory as a file of its name would be: the document root may be read-only.
        const std::optional<std::string> script = dataScript();
        if (!script) {
            static_cast<void>(sendHeader(404, kOctetStream, 0));
        } else if (sendHeader(200, contentTypeOfFile(pageKeyOfPath(request_.path)),
                              static_cast<std::int64_t>(script->size()))) {
            sendBlocks(script->data(), script->size());
            sent = true;
        }
    } else {
        sent = sendFile(fileForPath(config.documentRoot, request_.path, config.defaultPage));
    }
    // Only a page that was sent is followed by the redirect: nothing follows a 404.
    if (sent && config.redirectAfterSubmission != 0) sendRedirect();
}

void CEasyHttpWorker::sendRedirect() {
    platform::Clock& clock = state_->seam.clock;
    for (int i = 0; i < 20; ++i) clock.pause(100);
    const std::string script = redirectScript(state_->config.documentRoot, request_.path);
    static_cast<void>(client_->Send(script.data(), static_cast<int>(script.size())));
    for (int i = 0; i < 20; ++i) clock.pause(10);
}

} // namespace rk::web
