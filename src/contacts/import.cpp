#include "contacts/import.h"

#include "contacts/dial_number.h"
#include "contacts/kana.h"
#include "contacts/kanji_name.h"
#include "contacts/placement.h"
#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>

namespace rk::contacts {
namespace {

std::string threeDigits(int value) {
    char digits[12];
    std::snprintf(digits, sizeof digits, "%03d", value);
    return digits;
}

// The number's texts in the row's changes in place of the earlier number's.
void replaceNumberTexts(ImportRow& row, const std::vector<std::string>& texts) {
    const auto at = row.changes.begin() + static_cast<std::ptrdiff_t>(row.numberChangesAt);
    row.changes.erase(at, at + static_cast<std::ptrdiff_t>(row.numberChangesCount));
    row.changes.insert(row.changes.begin() + static_cast<std::ptrdiff_t>(row.numberChangesAt), texts.begin(),
                       texts.end());
    row.numberChangesCount = texts.size();
}

// The row's number and status from a number made dialable. `what` names the number in the text
// of an invalid one.
void setNumber(ImportRow& row, const DialNumber& dial, const std::string& what) {
    std::vector<std::string> texts = dial.changes;
    if (dial.valid) {
        row.number = dial.dialable;
        row.status = ImportStatus::Stored;
    } else {
        row.number = text::toCp932WithBlanks(row.given, nullptr);
        row.status = ImportStatus::InvalidNumber;
        texts.push_back("not stored: " + what + ": " + dial.problem);
    }
    replaceNumberTexts(row, texts);
}

// The rows of one contact: one, or one per number with allNumbers.
void addRows(std::vector<ImportRow>& rows, const Contact& contact, const ImportOptions& options,
             ReadingMaker& maker) {
    const EntryName name = makeEntryName(contact, options, maker);
    const NumberChoice numbers = chooseNumbers(contact, options);
    ImportRow base;
    base.source = contact.source;
    base.record = contact.record;
    base.kanji = name.kanji;
    base.kana = name.kana;
    base.kanaSource = name.kanaSource;
    base.kanaCandidates = name.kanaCandidates;
    base.listGroup = contact.group;
    base.changes = contact.notes;
    base.changes.insert(base.changes.end(), name.changes.begin(), name.changes.end());
    if (numbers.numbers.empty()) {
        base.status = ImportStatus::NoNumber;
        base.changes.insert(base.changes.end(), numbers.changes.begin(), numbers.changes.end());
        // A number the operator adds goes after the texts that say why there was none.
        base.numberChangesAt = base.changes.size();
        rows.push_back(std::move(base));
        return;
    }
    for (const EntryNumber& number : numbers.numbers) {
        ImportRow row = base;
        row.given = number.given;
        row.numberChangesAt = row.changes.size();
        setNumber(row, number.dial, std::string(numberKindName(number.kind)) + " number " + number.given);
        row.changes.insert(row.changes.end(), numbers.changes.begin(), numbers.changes.end());
        rows.push_back(std::move(row));
    }
}

} // namespace

ImportPlan readImport(std::span<const ContactSource> sources, const ImportOptions& options,
                      ReadingMaker& maker) {
    ImportPlan plan;
    for (const ContactSource& source : sources) {
        const SourceContacts read = readContactSource(source, options.map);
        if (!read.problem.empty()) {
            plan.problems.push_back({source.name, read.problem});
            continue;
        }
        plan.formats.push_back(read.format);
        for (const Contact& contact : read.contacts) addRows(plan.rows, contact, options, maker);
    }
    return plan;
}

ImportPlan previewImport(const Workspace& workspace, std::span<const ContactSource> sources,
                         const ImportOptions& options, ReadingMaker& maker) {
    ImportPlan plan = readImport(sources, options, maker);
    placeImport(plan, workspace, options);
    return plan;
}

void placeImport(ImportPlan& plan, const Workspace& workspace, const ImportOptions& options) {
    plan.kind = options.kind;
    plan.position = options.kind == BookKind::My ? options.position : 0;
    plan.mode = options.mode;
    for (ImportRow& row : plan.rows) {
        row.changes.resize(std::min(row.changes.size(), row.placementChangesAt));
        row.memory = -1;
        if (row.status != ImportStatus::InvalidNumber && row.status != ImportStatus::NoNumber)
            row.status = ImportStatus::Stored;
        row.group = row.listGroup.value_or(options.group.value_or(kDefaultGroup));
        row.placementChangesAt = row.changes.size();
    }
    placeRows(plan.rows, readBook(workspace, options.kind, plan.position), options, plan);
}

void editImportRow(ImportPlan& plan, std::size_t index, RowField field, std::string_view utf8,
                   const Workspace& workspace, const ImportOptions& options) {
    if (index >= plan.rows.size()) return;
    ImportRow& row = plan.rows[index];
    // The edit's texts go before the placement's, which placing again writes anew.
    row.changes.resize(std::min(row.changes.size(), row.placementChangesAt));
    switch (field) {
    case RowField::Kanji: {
        std::vector<std::string> texts;
        const std::string whole = toDisplayName(utf8, texts);
        row.kanji = fitDisplayName(whole, kNameBytes);
        if (row.kanji.size() < whole.size())
            texts.push_back("kanji name cut to 20 bytes: \"" + text::cp932ToUtf8(row.kanji) + "\"");
        row.changes.push_back("kanji name edited");
        row.changes.insert(row.changes.end(), texts.begin(), texts.end());
        break;
    }
    case RowField::Kana: {
        const HalfWidthReading reading = toHalfWidthKana(utf8);
        const std::string kana = fitReading(reading.cp932);
        const bool candidate =
            std::find(row.kanaCandidates.begin(), row.kanaCandidates.end(), kana) != row.kanaCandidates.end();
        row.kana = kana;
        if (!candidate) {
            row.changes.push_back("reading edited");
            if (!reading.complete)
                row.changes.push_back("no half-width form for " + reading.unreadable +
                                      ": the reading ends before it");
            if (kana.size() < reading.cp932.size())
                row.changes.push_back("reading cut to 20 bytes: \"" + text::cp932ToUtf8(kana) + "\"");
        }
        break;
    }
    case RowField::Number: {
        row.given = std::string(utf8);
        if (row.given.empty()) {
            row.number.clear();
            row.status = ImportStatus::NoNumber;
            replaceNumberTexts(row, {"not stored: the number was removed"});
        } else {
            setNumber(row, makeDialable(row.given, options.prefix), "the number " + row.given);
        }
        break;
    }
    }
    row.placementChangesAt = row.changes.size();
    placeImport(plan, workspace, options);
}

void storeImport(Workspace& workspace, const ImportPlan& plan) {
    const int mode = phonebook::memoryMode(workspace);
    if (plan.mode == PlacementMode::Replace) {
        if (plan.kind == BookKind::Common) {
            phonebook::clearSystemBook(workspace, mode);
        } else {
            for (int memory : bookMemories(BookKind::My, mode)) {
                phonebook::EntryText empty;
                static_cast<void>(phonebook::storeTelephoneEntry(workspace, plan.position, memory, empty));
            }
        }
    }
    for (const ImportRow& row : plan.rows) {
        if (row.memory < 0) continue;
        // Names a window edited may be longer than the fields: cut where a character ends, never
        // between a kana and its voiced mark.
        const std::string kanji = fitDisplayName(row.kanji, kNameBytes);
        const std::string kana = fitReading(row.kana);
        phonebook::EntryText entry;
        if (row.status == ImportStatus::Updated) {
            const bool loaded =
                plan.kind == BookKind::Common
                    ? phonebook::loadSystemEntry(workspace, row.memory, entry)
                    : phonebook::loadTelephoneEntry(workspace, plan.position, row.memory, entry);
            if (!loaded) continue;
            entry = phonebook::EntryText::make(entry.numberText(), kana, kanji, entry.group);
        } else if (row.status == ImportStatus::Stored) {
            entry = phonebook::EntryText::make(row.number, kana, kanji, static_cast<char>('0' + row.group));
        } else {
            continue;
        }
        if (plan.kind == BookKind::Common)
            static_cast<void>(phonebook::storeSystemEntry(workspace, row.memory, entry));
        else
            static_cast<void>(phonebook::storeTelephoneEntry(workspace, plan.position, row.memory, entry));
    }
    workspace.flags().phonebookPresent = 1;
    phonebook::commitBackup(workspace);
}

ImportPlan importContacts(Workspace& workspace, std::span<const ContactSource> sources,
                          const ImportOptions& options, ReadingMaker& maker) {
    ImportPlan plan = previewImport(workspace, sources, options, maker);
    if (plan.problems.empty()) storeImport(workspace, plan);
    return plan;
}

std::string memoryLabel(const ImportPlan& plan, const ImportRow& row) {
    if (row.memory < 0) return {};
    if (plan.kind == BookKind::My) return threeDigits(plan.position) + "_" + threeDigits(row.memory);
    return threeDigits(row.memory);
}

const char* statusName(ImportStatus status) {
    switch (status) {
    case ImportStatus::Stored:
        return "stored";
    case ImportStatus::Updated:
        return "updated";
    case ImportStatus::Duplicate:
        return "duplicate";
    case ImportStatus::OverCapacity:
        return "over_capacity";
    case ImportStatus::InvalidNumber:
        return "invalid_number";
    case ImportStatus::NoNumber:
        return "no_number";
    }
    return "stored";
}

const char* kanaSourceName(KanaSource source) {
    switch (source) {
    case KanaSource::Contact:
        return "contact";
    case KanaSource::Made:
        return "made";
    case KanaSource::None:
        return "none";
    }
    return "none";
}

const char* statusLabel(ImportStatus status) {
    switch (status) {
    case ImportStatus::Stored:
        return "登録";
    case ImportStatus::Updated:
        return "更新";
    case ImportStatus::Duplicate:
        return "重複";
    case ImportStatus::OverCapacity:
        return "空きなし";
    case ImportStatus::InvalidNumber:
        return "番号不正";
    case ImportStatus::NoNumber:
        return "番号なし";
    }
    return "登録";
}

const char* kanaSourceLabel(KanaSource source) {
    switch (source) {
    case KanaSource::Contact:
        return "連絡先";
    case KanaSource::Made:
        return "作成";
    case KanaSource::None:
        return "なし";
    }
    return "なし";
}

int importExitStatus(const ImportPlan& plan) {
    if (!plan.problems.empty()) return 2;
    for (const ImportRow& row : plan.rows) {
        const bool taken = row.status == ImportStatus::Stored || row.status == ImportStatus::Updated;
        if (!taken || !row.changes.empty() || row.kanaSource == KanaSource::Made) return 1;
    }
    return 0;
}

ImportSummary summarize(const ImportPlan& plan) {
    ImportSummary summary;
    for (const ImportRow& row : plan.rows) {
        ++summary.contacts;
        switch (row.status) {
        case ImportStatus::Stored:
            ++summary.stored;
            break;
        case ImportStatus::Updated:
            ++summary.updated;
            break;
        case ImportStatus::Duplicate:
            ++summary.duplicate;
            break;
        case ImportStatus::OverCapacity:
            ++summary.overCapacity;
            break;
        case ImportStatus::InvalidNumber:
            ++summary.invalidNumber;
            break;
        case ImportStatus::NoNumber:
            ++summary.noNumber;
            break;
        }
        if (row.kanaSource == KanaSource::Made) ++summary.readingsMade;
        if (!row.changes.empty()) ++summary.changed;
    }
    return summary;
}

} // namespace rk::contacts
