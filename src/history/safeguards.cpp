#include "history/safeguards.h"

#include "history/phonebook_text.h"
#include "image/data_image.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"

#include <memory>

namespace rk::history {
namespace {

int countOf(int memoryCount) {
    return memoryCount == 990 ? 990 : 600;
}

} // namespace

std::optional<std::string> bookFile(const std::filesystem::path& path, int kind, BookProblems* problems) {
    std::optional<std::string> content = phonebook::readPhonebookFileBytes(path);
    std::optional<phonebook::LoadFinding> finding;
    if (content) finding = phonebook::whyNoPhonebookFile(*content, kind);
    if (content && !finding) return content;
    if (problems != nullptr) problems->push_back({path, kind, std::move(finding)});
    return std::nullopt;
}

std::optional<PhonebookSide> phonebookFileSide(const std::filesystem::path& path, BookProblems* problems) {
    std::optional<std::string> content = phonebook::readPhonebookFileBytes(path);
    if (!content) {
        if (problems != nullptr) problems->push_back({path, phonebook::kCommonPhonebookFile, std::nullopt});
        return std::nullopt;
    }
    BookProblems found;
    for (const int kind : {phonebook::kCommonPhonebookFile, phonebook::kMyPhonebookFile}) {
        std::optional<phonebook::LoadFinding> finding = phonebook::whyNoPhonebookFile(*content, kind);
        if (!finding) {
            PhonebookSide side;
            (kind == phonebook::kCommonPhonebookFile ? side.common : side.my) = std::move(content);
            return side;
        }
        found.push_back({path, kind, std::move(finding)});
    }
    if (problems != nullptr) problems->insert(problems->end(), found.begin(), found.end());
    return std::nullopt;
}

std::optional<PhonebookSide> snapshotSide(const Snapshot& snapshot, BookProblems* problems) {
    PhonebookSide side{bookFile(snapshot.commonFile(), phonebook::kCommonPhonebookFile, problems),
                       bookFile(snapshot.myFile(), phonebook::kMyPhonebookFile, problems)};
    if (!side.common || !side.my) return std::nullopt;
    return side;
}

int memoryCountOf(const Workspace& workspace) {
    return phonebook::memoryMode(workspace) == 2 ? 990 : 600;
}

PhonebookSide workingCopySide(const Workspace& workspace, int memoryCount) {
    // The files are laid out through a workspace's staging, so the working copy's bytes are taken
    // into one of this step's own, in the count the write applies.
    const auto scratch = std::make_unique<Workspace>();
    scratch->image().workingCopy = workspace.image().workingCopy;
    phonebook::setMemoryMode(*scratch, memoryModeOf(countOf(memoryCount)));
    const phonebook::FileHeaderLine::Line header = scratch->fileHeaderLine().formatNow();
    return {phonebook::formatPhonebookFile(*scratch, phonebook::kCommonPhonebookFile, header, 0),
            phonebook::formatPhonebookFile(*scratch, phonebook::kMyPhonebookFile, header, 0)};
}

WritePlan planWrite(const SnapshotStore& store, const std::string& host, const Workspace& workspace,
                    int memoryCount) {
    WritePlan plan;
    const std::optional<Snapshot> read = store.newest(host, Direction::Read);
    if (!read) return plan;
    plan.read = *read;
    const std::optional<PhonebookSide> before = snapshotSide(*read, &plan.problems);
    if (!before) {
        plan.status = WritePlan::Status::Unreadable;
        return plan;
    }
    plan.status = WritePlan::Status::Planned;
    plan.changes = comparePhonebooks(*before, workingCopySide(workspace, memoryCount), countOf(memoryCount));
    return plan;
}

PhonebookSide writtenBooks(const std::filesystem::path& workDirectory) {
    return {phonebook::readPhonebookFileBytes(workDirectory / "sys-tan.txt"),
            phonebook::readPhonebookFileBytes(workDirectory / "tel-tan.txt")};
}

VerifyOutcome verifyWrite(const PhonebookSide& sent, int memoryCount, const ReadBack& readBack) {
    VerifyOutcome outcome;
    if (!sent.common || !sent.my) return outcome;
    // The read-back's own workspace: what it brings never reaches the working copy.
    const auto received = std::make_unique<Workspace>();
    phonebook::setMemoryMode(*received, memoryModeOf(countOf(memoryCount)));
    outcome.readResult = readBack(*received);
    if (outcome.readResult != 0) {
        outcome.status = VerifyOutcome::Status::ReadFailed;
        return outcome;
    }
    outcome.differences =
        comparePhonebooks(sent, workingCopySide(*received, memoryCount), countOf(memoryCount));
    outcome.status =
        outcome.differences.equal() ? VerifyOutcome::Status::Same : VerifyOutcome::Status::Different;
    return outcome;
}

PhonebookDiff restoreChanges(const Workspace& workspace, const PhonebookSide& books, int memoryCount) {
    // The working copy as it is laid out now, against the books in the count they come in.
    return comparePhonebooks(workingCopySide(workspace, memoryCountOf(workspace)), books,
                             countOf(memoryCount));
}

void restoreBooks(Workspace& workspace, const PhonebookSide& books, int memoryCount) {
    const int held = phonebook::memoryMode(workspace);
    const int mode = memoryModeOf(countOf(memoryCount));
    // A change of the count empties both books, as the edit entry's count change does; otherwise
    // the books given are emptied, so that nothing of the present book survives a short file.
    if (held != mode || books.common) phonebook::clearSystemBook(workspace, held);
    if (held != mode || books.my) phonebook::clearTelephoneBooks(workspace, held);
    phonebook::setMemoryMode(workspace, mode);
    if (books.common) parsePhonebookText(workspace, phonebook::kCommonPhonebookFile, *books.common);
    if (books.my) parsePhonebookText(workspace, phonebook::kMyPhonebookFile, *books.my);
    phonebook::commitBackup(workspace);
    workspace.flags().phonebookPresent = 1;
}

} // namespace rk::history
