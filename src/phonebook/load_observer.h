// What the phonebook file parsers tell whoever listens while they load a file: every line they
// skip, every field they store otherwise than the file has it, every memory they clear on their
// own. The parsers call it at the very places where they decide, so that a report never has to
// guess their rules. Nobody listens unless a caller hands one in; then nothing is told at all.
#pragma once

#include "phonebook/entry_text.h"
#include "platform/text.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace rk::phonebook {

// What the field filters did to a record, one bit each.
enum FieldChange : std::uint32_t {
    kNumberCharactersDropped = 1u << 0, // characters other than the dialling ones
    kNumberCut = 1u << 1,               // more than 24 dialling characters
    kNumberOfOtherPosition = 1u << 2,   // my phonebook: the position field names another telephone
    kKanjiCut = 1u << 3,                // more than 20 bytes
    kKanjiCutBeforeSplit = 1u << 4,     // cut to 19 bytes, byte 20 would split a character
    kKanaMarkupReplaced = 1u << 5,      // '"' '\' '<' '>' as blanks
    kKanaDoubleByteBlanked = 1u << 6,   // a double-byte character as blanks
    kKanaEnded = 1u << 7,               // ended at a byte that ends the reading
    kKanaCut = 1u << 8,                 // more than 20 bytes
    kGroupInvalid = 1u << 9,            // not a group 0..7: taken as 1
    kGroupMissing = 1u << 10,           // no group at all: taken as 1
    kGroupRestIgnored = 1u << 11,       // bytes after the group digit
    kMemoryFieldNotNumber = 1u << 12,   // the memory field is not a number of up to four digits
    kMemoryFieldDisagrees = 1u << 13,   // my phonebook: the memory field is not the line's place
};

// A record line as the parser split it, pointing into the bytes being parsed (valid only during
// the call that hands it over).
struct RecordFields {
    std::string_view line;     // without CR LF
    std::string_view position; // my phonebook: field 1
    std::string_view memory;   // field 1 (common) or field 2 (my phonebook)
    std::string_view number;
    std::string_view kanji;
    std::string_view kana;  // my phonebook: the rest of the line
    std::string_view group; // common: everything after the fourth comma
};

struct RecordNote {
    int line = 0;     // line of the parsed bytes, 1 being the column header
    int position = 0; // my phonebook: the position by the line's place; 0 for the common phonebook
    int memory = 0;   // the memory the line goes to
    RecordFields fields;
    std::uint32_t changes = 0; // FieldChange bits
    EntryText parsed;          // as handed to the store
    bool stored = false;       // false: the phonebook refused the memory
    EntryText storedText;      // as the phonebook holds it afterwards, when stored
};

enum class SkippedLine {
    TooLong,   // no CR LF within the line limit
    NoLineEnd, // the bytes end without CR LF
    Blank,     // only blanks and tabs (common phonebook)
};

enum class NotRecognised {
    NoLineEnd,      // no CR LF anywhere: not even the column header ends
    WrongFirstLine, // the first record line is not memory 000 / position 101
};

class LoadObserver {
public:
    virtual ~LoadObserver() = default;

    // The file started with the UTF-8 byte-order mark and was converted to Shift-JIS before
    // anything else; each character Shift-JIS cannot hold became a blank (offsets in the
    // converted file).
    virtual void convertedFromUtf8(std::span<const text::BlankedCharacter> /*blanked*/) {}

    // The file starts with a header line (its first byte is "2"): the bytes taken as it, at most
    // 192, whatever they hold.
    virtual void headerLine(std::span<const char> /*bytes*/) {}

    // The bytes after the header line are about to be parsed; `headerBytes` came before them (0
    // when the file has no header line). The span stays valid until bodyEnds.
    virtual void bodyBegins(std::span<const char> /*body*/, std::size_t /*headerBytes*/) {}
    virtual void bodyEnds() {}

    // The file goes on after the bytes a load reads (the body's first `readBytes`): the rest is
    // never looked at. Told right after bodyBegins.
    virtual void restIgnored(std::size_t /*readBytes*/) {}

    // The column header, skipped whatever it says, and the one the file kind has.
    virtual void columnHeader(std::string_view /*text*/, std::string_view /*expected*/) {}

    // The data does not start as the kind requires: nothing is stored.
    virtual void notRecognised(NotRecognised /*why*/, int /*line*/, std::string_view /*text*/) {}

    // A line that stores nothing. `memory` is the memory it stands for (common: the expected one;
    // -1 for a blank line, which stands for none), `limit` the line limit of the kind.
    virtual void lineSkipped(SkippedLine /*why*/, int /*line*/, std::string_view /*text*/, int /*position*/,
                             int /*memory*/, std::size_t /*limit*/) {}

    // A record line handed to the store.
    virtual void recordRead(const RecordNote& /*note*/) {}

    // A memory emptied because the numbering jumps over it: at `line` the memory number goes
    // from `expected` to `named`.
    virtual void memoryCleared(int /*line*/, int /*memory*/, int /*expected*/, int /*named*/) {}

    // A record line after the last memory the parser reads: split as usual, never stored.
    virtual void recordNotRead(const RecordNote& /*note*/) {}
};

} // namespace rk::phonebook
