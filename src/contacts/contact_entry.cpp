#include "contacts/contact_entry.h"

#include "contacts/kana.h"
#include "contacts/kanji_name.h"
#include "contacts/legal_forms.h"
#include "contacts/unicode.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>

namespace rk::contacts {
namespace {

constexpr std::size_t kCandidates = 5;

// A piece of the name template: literal text, or a part of the contact's name.
struct Piece {
    std::string literal;
    const NamePart* part = nullptr;
    NameRole role = NameRole::Full;
    bool company = false;
};

// The contact's name parts, with a name given whole split where that is safe.
struct Names {
    NamePart family;
    NamePart given;
    NamePart company;
    NameRole familyRole = NameRole::Family;
    std::string pairReading; // a reading of family and given together
};

bool hasNonAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

Names namesOf(const Contact& contact) {
    Names names;
    names.family = {std::string(trimBlanks(contact.family.text)),
                    std::string(trimBlanks(contact.family.reading))};
    names.given = {std::string(trimBlanks(contact.given.text)),
                   std::string(trimBlanks(contact.given.reading))};
    names.company = {std::string(trimBlanks(contact.organisation.text)),
                     std::string(trimBlanks(contact.organisation.reading))};
    const std::string full(trimBlanks(contact.fullName.text));
    const std::string fullReading(trimBlanks(contact.fullName.reading));
    if (names.family.text.empty() && names.given.text.empty() && !full.empty() &&
        full != names.company.text) {
        // A Japanese name given whole splits at its blank into family and given name; any other
        // stays whole, its order not being known.
        const std::size_t blank = findBlank(full);
        if (blank != std::string::npos && hasNonAscii(full)) {
            const std::string_view whole(full);
            names.family.text = std::string(trimBlanks(whole.substr(0, blank)));
            names.given.text = std::string(trimBlanks(whole.substr(blank)));
            const std::size_t readingBlank = findBlank(fullReading);
            if (readingBlank != std::string::npos) {
                const std::string_view reading(fullReading);
                names.family.reading = std::string(trimBlanks(reading.substr(0, readingBlank)));
                names.given.reading = std::string(trimBlanks(reading.substr(readingBlank)));
            } else {
                names.pairReading = fullReading;
            }
        } else {
            names.family = {full, fullReading};
            names.familyRole = NameRole::Full;
        }
    } else if (names.family.reading.empty() && names.given.reading.empty()) {
        names.pairReading = fullReading;
    }
    return names;
}

std::vector<Piece> piecesOf(std::string_view nameTemplate, const Names& names) {
    std::vector<Piece> pieces;
    while (!nameTemplate.empty()) {
        const std::size_t open = nameTemplate.find('{');
        const std::size_t close = open == std::string_view::npos ? open : nameTemplate.find('}', open);
        if (open == std::string_view::npos || close == std::string_view::npos) {
            pieces.push_back({std::string(nameTemplate)});
            break;
        }
        if (open > 0) pieces.push_back({std::string(nameTemplate.substr(0, open))});
        const std::string_view placeholder = nameTemplate.substr(open + 1, close - open - 1);
        if (placeholder == "family")
            pieces.push_back({{}, &names.family, names.familyRole});
        else if (placeholder == "given")
            pieces.push_back({{}, &names.given, NameRole::Given});
        else if (placeholder == "company")
            pieces.push_back({{}, &names.company, NameRole::Organisation, true});
        nameTemplate.remove_prefix(close + 1);
    }
    return pieces;
}

std::string utf8Of(std::string_view cp932) {
    return text::cp932ToUtf8(cp932);
}

// Literal template text in a reading: what has a half-width form, the rest left out.
std::string literalReading(std::string_view utf8) {
    std::string reading;
    for (std::size_t at = 0; at < utf8.size();) {
        const Utf8Character character = decodeUtf8(utf8.substr(at));
        const HalfWidthReading piece = toHalfWidthKana(utf8.substr(at, character.length));
        if (piece.complete) reading += piece.cp932;
        at += character.length;
    }
    return reading;
}

// The readings of one piece: the first is used, the others are the candidates' alternatives.
struct PieceReading {
    std::vector<std::string> candidates; // CP932
    bool made = false;
    std::string suffix; // a legal form's short form that stays at the end when the reading is cut
};

// A reading the contact gives, in half-width katakana; nullopt (with the change told) when it
// is not kana.
std::optional<std::string> ownReading(const std::string& reading, const std::string& of,
                                      std::vector<std::string>& changes) {
    if (reading.empty()) return std::nullopt;
    const HalfWidthReading converted = toHalfWidthKana(composeKana(reading));
    if (converted.complete) return converted.cp932;
    changes.push_back("the reading \"" + reading + "\" given for " + of + " is not kana (" +
                      converted.unreadable + "): not taken");
    return std::nullopt;
}

PieceReading madeReading(std::string_view text, NameRole role, ReadingMaker& maker,
                         std::vector<std::string>& changes) {
    PieceReading piece;
    piece.made = true;
    if (!maker.ready()) {
        changes.push_back("no reading made for " + std::string(text) + ": " + maker.problem());
        return piece;
    }
    const MadeReading made = maker.read(withCommonForms(text), role, kCandidates);
    for (const std::string& character : made.unread)
        changes.push_back("no reading known for " + character + ": left out of the reading");
    piece.candidates = made.candidates;
    return piece;
}

PieceReading companyReading(const NamePart& company, ReadingPolicy policy, ReadingMaker& maker,
                            std::vector<std::string>& changes) {
    PieceReading piece;
    const std::optional<LegalFormMatch> legal = findLegalForm(withCommonForms(company.text));
    const auto suffixOf = [&legal] {
        return legal && legal->place == LegalFormPlace::After ? "(" + toHalfWidthKana(legal->shortForm).cp932
                                                              : std::string();
    };
    if (policy != ReadingPolicy::None) {
        if (std::optional<std::string> own = ownReading(company.reading, company.text, changes)) {
            piece.candidates.push_back(legal ? shortenLegalFormReading(*legal, *own, changes) : *own);
            piece.suffix = suffixOf();
            return piece;
        }
    }
    if (policy != ReadingPolicy::Auto) return piece;
    if (!legal) return madeReading(company.text, NameRole::Organisation, maker, changes);
    const PieceReading before = legal->before.empty()
                                    ? PieceReading{}
                                    : madeReading(legal->before, NameRole::Organisation, maker, changes);
    const PieceReading after = legal->after.empty()
                                   ? PieceReading{}
                                   : madeReading(legal->after, NameRole::Organisation, maker, changes);
    const auto pick = [](const PieceReading& reading, std::size_t index) {
        return index < reading.candidates.size() ? reading.candidates[index] : std::string();
    };
    piece.made = true;
    const std::size_t alternatives = std::max(before.candidates.size(), after.candidates.size());
    for (std::size_t index = 0; index < std::max<std::size_t>(alternatives, 1); ++index) {
        const std::string candidate =
            readingWithShortForm(*legal, pick(before, index).empty() ? pick(before, 0) : pick(before, index),
                                 pick(after, index).empty() ? pick(after, 0) : pick(after, index));
        if (std::find(piece.candidates.begin(), piece.candidates.end(), candidate) == piece.candidates.end())
            piece.candidates.push_back(candidate);
    }
    changes.push_back(std::string(legal->form) + " written as its short form " +
                      std::string(legal->shortForm) + " in the reading");
    piece.suffix = suffixOf();
    return piece;
}

PieceReading partReading(const NamePart& part, NameRole role, ReadingPolicy policy, ReadingMaker& maker,
                         std::vector<std::string>& changes) {
    if (policy == ReadingPolicy::None) return {};
    if (std::optional<std::string> own = ownReading(part.reading, part.text, changes))
        return {{std::move(*own)}, false, {}};
    if (policy == ReadingPolicy::Source) return {};
    return madeReading(part.text, role, maker, changes);
}

// The reading cut to 20 bytes, a legal form's short form at the end staying there.
std::string fitted(const std::string& reading, const std::string& suffix) {
    if (!suffix.empty() && reading.ends_with(suffix) && reading.size() > kNameBytes)
        return fitReading(std::string_view(reading).substr(0, reading.size() - suffix.size()),
                          kNameBytes - suffix.size()) +
               suffix;
    return fitReading(reading);
}

// What the phonebook turns into blanks in a reading.
std::string blankedForStore(std::string reading, std::vector<std::string>& changes) {
    bool blanked = false;
    for (char& byte : reading) {
        if (byte == ',' || byte == '"' || byte == '<' || byte == '>' || byte == '\\') {
            byte = ' ';
            blanked = true;
        }
    }
    if (blanked) changes.push_back("characters a reading cannot hold (, \" < > \\) became blanks");
    return reading;
}

} // namespace

EntryName makeEntryName(const Contact& contact, const ImportOptions& options, ReadingMaker& maker) {
    EntryName entry;
    const Names names = namesOf(contact);
    const bool person = !names.family.text.empty() || !names.given.text.empty();
    std::vector<Piece> pieces =
        piecesOf(person ? std::string_view(options.nameTemplate) : "{company}", names);

    // The kanji name.
    std::string kanjiText;
    for (const Piece& piece : pieces) kanjiText += piece.part != nullptr ? piece.part->text : piece.literal;
    const std::string wholeKanji(trimBlanks(kanjiText));
    if (wholeKanji.empty()) entry.changes.push_back("the contact has no name");
    const std::string display = toDisplayName(wholeKanji, entry.changes);
    entry.kanji = fitDisplayName(display, kNameBytes);
    if (entry.kanji.size() < display.size())
        entry.changes.push_back("kanji name cut to 20 bytes: \"" +
                                utf8Of(display.substr(entry.kanji.size())) + "\" left out");

    // The reading, piece by piece.
    std::vector<PieceReading> readings;
    std::string suffix;
    bool previousWasPart = false;
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        const Piece& piece = pieces[index];
        if (piece.part == nullptr) {
            readings.push_back({{literalReading(piece.literal)}, false, {}});
            previousWasPart = false;
            continue;
        }
        if (piece.part->text.empty()) continue;
        // Family and given name read together from a reading of the whole name.
        const bool pair = piece.part == &names.family && index + 1 < pieces.size() &&
                          pieces[index + 1].part == &names.given && !names.pairReading.empty() &&
                          names.family.reading.empty() && names.given.reading.empty() &&
                          options.readings != ReadingPolicy::None;
        if (previousWasPart) readings.push_back({{" "}, false, {}});
        if (pair) {
            if (std::optional<std::string> own = ownReading(names.pairReading, wholeKanji, entry.changes)) {
                readings.push_back({{std::move(*own)}, false, {}});
                ++index;
                previousWasPart = true;
                continue;
            }
        }
        PieceReading reading =
            piece.company ? companyReading(*piece.part, options.readings, maker, entry.changes)
                          : partReading(*piece.part, piece.role, options.readings, maker, entry.changes);
        suffix = reading.suffix;
        readings.push_back(std::move(reading));
        previousWasPart = true;
    }

    // The best reading, and alternatives varying one piece at a time.
    const bool made =
        std::any_of(readings.begin(), readings.end(), [](const PieceReading& r) { return r.made; });
    std::vector<std::string> candidates;
    const auto compose = [&readings](std::size_t varied, std::size_t alternative) {
        std::string reading;
        for (std::size_t index = 0; index < readings.size(); ++index) {
            const std::vector<std::string>& alternatives = readings[index].candidates;
            if (alternatives.empty()) continue;
            reading += index == varied && alternative < alternatives.size() ? alternatives[alternative]
                                                                            : alternatives.front();
        }
        std::string_view trimmed = reading;
        while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
        while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
        return std::string(trimmed);
    };
    const std::string best = compose(readings.size(), 0);
    candidates.push_back(best);
    for (std::size_t alternative = 1; alternative < kCandidates && candidates.size() < kCandidates;
         ++alternative)
        for (std::size_t varied = 0; varied < readings.size() && candidates.size() < kCandidates; ++varied) {
            if (!readings[varied].made || alternative >= readings[varied].candidates.size()) continue;
            std::string candidate = compose(varied, alternative);
            if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
                candidates.push_back(std::move(candidate));
        }

    const std::string whole = blankedForStore(best, entry.changes);
    entry.kana = fitted(whole, suffix);
    if (entry.kana.size() < whole.size() && whole.size() > kNameBytes) {
        const std::string kept = entry.kana.ends_with(suffix) && !suffix.empty()
                                     ? entry.kana.substr(0, entry.kana.size() - suffix.size())
                                     : entry.kana;
        entry.changes.push_back("reading cut to 20 bytes: \"" +
                                utf8Of(std::string_view(whole).substr(kept.size())) + "\" left out" +
                                (suffix.empty() ? "" : " before the legal form"));
    }
    if (entry.kana.empty()) {
        entry.kanaSource = KanaSource::None;
    } else if (made) {
        entry.kanaSource = KanaSource::Made;
        for (const std::string& candidate : candidates) {
            std::vector<std::string> ignored;
            std::string kept = fitted(blankedForStore(candidate, ignored), suffix);
            if (std::find(entry.kanaCandidates.begin(), entry.kanaCandidates.end(), kept) ==
                entry.kanaCandidates.end())
                entry.kanaCandidates.push_back(std::move(kept));
        }
        entry.changes.push_back(
            "reading made: the contact gives none" +
            std::string(entry.kanaCandidates.size() > 1 ? " (other candidates kept)" : ""));
    } else {
        entry.kanaSource = KanaSource::Contact;
    }
    return entry;
}

NumberChoice chooseNumbers(const Contact& contact, const ImportOptions& options) {
    NumberChoice choice;
    std::vector<const ContactNumber*> chosen;
    for (NumberKind kind : options.numberKinds)
        for (const ContactNumber& number : contact.numbers)
            if (number.kind == kind && std::find(chosen.begin(), chosen.end(), &number) == chosen.end())
                chosen.push_back(&number);
    if (chosen.empty()) {
        std::string kinds;
        for (NumberKind kind : options.numberKinds)
            kinds += std::string(kinds.empty() ? "" : ",") + numberKindName(kind);
        std::string others;
        for (const ContactNumber& number : contact.numbers)
            others +=
                std::string(others.empty() ? "" : ", ") + numberKindName(number.kind) + " " + number.text;
        choice.changes.push_back("no number of the kinds " + kinds +
                                 (others.empty() ? "" : " (it has " + others + ")"));
        return choice;
    }
    std::vector<EntryNumber> made;
    for (const ContactNumber* number : chosen) {
        DialNumber dial;
        if (number->dialable) {
            dial.valid = true;
            dial.dialable = number->text;
        } else {
            dial = makeDialable(number->text, options.prefix);
        }
        made.push_back({number->kind, number->text, std::move(dial)});
    }
    if (options.allNumbers) {
        choice.numbers = std::move(made);
        return choice;
    }
    const auto valid =
        std::find_if(made.begin(), made.end(), [](const EntryNumber& n) { return n.dial.valid; });
    if (valid == made.end()) {
        choice.numbers.push_back(made.front());
        for (auto other = made.begin() + 1; other != made.end(); ++other)
            choice.changes.push_back(std::string(numberKindName(other->kind)) + " number " + other->given +
                                     " not taken either: " + other->dial.problem);
        return choice;
    }
    for (auto passed = made.begin(); passed != valid; ++passed)
        choice.changes.push_back(std::string(numberKindName(passed->kind)) + " number " + passed->given +
                                 " passed over: " + passed->dial.problem);
    choice.numbers.push_back(*valid);
    return choice;
}

} // namespace rk::contacts
