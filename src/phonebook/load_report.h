// The load report: what a phonebook file load did otherwise than the file says, built from what
// the parser tells while it loads (see load_observer.h), and, against a reference phonebook, the
// damage a spreadsheet typically does. The command line's "check" shows it whole; "convert" and
// "write" show its summary.
#pragma once

#include "phonebook/load_observer.h"
#include "phonebook/workspace.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::phonebook {

struct ReferenceSlot; // a memory as loaded and as a reference has it (load_suspects.cpp)

enum class FindingField { Line, Number, Kanji, Kana, Group };
enum class FindingAction { Skipped, Changed, Cut, Cleared, Suspect };

// "line", "number", "kanji", "kana", "group".
std::string_view fieldName(FindingField field);
// "skipped", "changed", "cut", "cleared", "suspect".
std::string_view actionName(FindingAction action);

// One finding. The texts are UTF-8, for showing: the report is never stored.
struct LoadFinding {
    int line = 0;     // 1-based line of the file; 0 when no line applies
    int position = 0; // my phonebook: the telephone of the memory
    int memory = -1;  // -1 when no memory applies
    FindingField field = FindingField::Line;
    std::string value;  // as in the file
    std::string stored; // what the phonebook holds
    FindingAction action = FindingAction::Changed;
    std::string reason;
};

// The memory as the report names it: "000".."989", or position and memory "101_980"; empty when
// no memory applies.
std::string memoryLabel(const LoadFinding& finding);

struct LoadSummary {
    int stored = 0;    // memories set from a line of the file
    int changed = 0;   // of those, stored otherwise than the file says, and memories cleared
    int notStored = 0; // lines that reached no memory
    int suspect = 0;   // findings against the reference
};

class LoadReport : public LoadObserver {
public:
    // Listens to one load of a file of a kind (1 common, 2 my phonebook) into the workspace.
    LoadReport(const Workspace& workspace, int kind);

    // Once the load is over: settles what every memory ended with.
    void finish();

    // After finish: marks what looks like a spreadsheet's damage against a reference phonebook
    // (loaded in the same memory count) as suspect.
    void compareWith(const Workspace& reference);

    // In the order of the file's lines; findings without a line last.
    const std::vector<LoadFinding>& findings() const { return findings_; }
    // The finding that the data does not begin as a file of the kind must (nothing is stored):
    // the file is no phonebook file of this kind. nullptr for a phonebook file, even one whose
    // memories are all empty.
    const LoadFinding* notPhonebook() const { return notPhonebook_ ? &*notPhonebook_ : nullptr; }
    bool empty() const { return findings_.empty(); }
    LoadSummary summary() const;
    // "990 memories stored, 2 changed by the load, 1 line not stored[, 3 suspect]".
    std::string summaryText() const;

    void convertedFromUtf8(std::span<const text::BlankedCharacter> blanked) override;
    void headerLine(std::span<const char> bytes) override;
    void bodyBegins(std::span<const char> body, std::size_t headerBytes) override;
    void bodyEnds() override;
    void restIgnored(std::size_t readBytes) override;
    void columnHeader(std::string_view text, std::string_view expected) override;
    void notRecognised(NotRecognised why, int line, std::string_view text) override;
    void lineSkipped(SkippedLine why, int line, std::string_view text, int position, int memory,
                     std::size_t limit) override;
    void recordRead(const RecordNote& note) override;
    void memoryCleared(int line, int memory, int expected, int named) override;
    void recordNotRead(const RecordNote& note) override;

private:
    // What a memory ended with so far: the last record line that went into it, or a clear.
    struct MemoryState {
        bool cleared = false;
        int line = 0; // of the file
        std::vector<LoadFinding> findings;
        // Record: as in the file (CP932), for the findings against a reference.
        std::string rawLine, number, kanji, kana;
        bool hasContent = false;
        bool numberOfOtherPosition = false; // my phonebook: the line's number was not taken
        // Clear: the jump that cleared it.
        int expected = 0;
        int named = 0;
    };

    int fileLine(int bodyLine) const { return bodyLine + (headerBytes_ > 0 ? 1 : 0); }
    LoadFinding finding(int line, int position, int memory, FindingField field, std::string_view value,
                        std::string_view stored, FindingAction action, std::string reason) const;
    LoadFinding blankFinding(const text::BlankedCharacter& blank, int line, int position, int memory,
                             FindingField field) const;
    std::vector<LoadFinding> recordFindings(const RecordNote& note) const;
    void lose(const MemoryState& state, int position, int memory, std::string reason);
    // Blanks of the UTF-8 conversion within a line, as findings of the field they fall into.
    void takeBlanks(std::string_view line, int fileLineNumber, const RecordFields* fields, int position,
                    int memory, std::vector<LoadFinding>& into);
    std::string memoryText(int position, int memory) const;
    // Whether a line of the body is its last: nothing but a line end follows it.
    bool isLastLine(std::string_view lineText) const;
    // Against a reference: entries of the reference that the file holds at other memories.
    void suspectMovedEntries(const std::vector<ReferenceSlot>& slots);
    int memoryCount() const;
    void sortFindings();

    const Workspace& workspace_;
    int kind_;
    std::vector<text::BlankedCharacter> blanked_;
    std::size_t nextBlank_ = 0;
    std::span<const char> body_;
    std::size_t headerBytes_ = 0;
    std::map<int, MemoryState> memories_; // by position * 1000 + memory
    std::vector<LoadFinding> findings_;
    std::optional<LoadFinding> notPhonebook_;
};

// Whether bytes of a file begin as a phonebook file of a kind, judged as a load judges them (in a
// workspace of its own; nothing is stored anywhere): nullopt when they do, else the load report's
// finding that says why not.
std::optional<LoadFinding> whyNoPhonebookFile(std::span<const char> file, int kind);

} // namespace rk::phonebook
