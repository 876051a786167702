// The options of an import, as `rkdial-cli import` takes them and the desktop window sets them.
#pragma once

#include "contacts/contact.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

enum class BookKind { Common, My };
enum class PlacementMode { Append, Update, Replace };
enum class ReadingPolicy { Source, Auto, None };

// The columns of a spreadsheet, by the text of their header cells (--map FIELD=COLUMN,...).
// Empty: not mapped.
struct ColumnMap {
    std::string name;
    std::string reading;
    std::string number; // taken as a number of kind "other"
    std::string group;
    std::string company;
    std::string mobile;
    std::string work;
    std::string home;

    bool empty() const;
};

struct ImportOptions {
    BookKind kind = BookKind::Common;
    int position = 0; // my phonebook: the telephone, 101..200
    PlacementMode mode = PlacementMode::Append;
    std::optional<int> from; // the first memory to fill; the book's first when not given
    bool sortByReading = false;
    std::optional<int> group; // common phonebook: 0..7; the list's own group, else 1, when not given
    std::string nameTemplate = "{family}{given}";
    ReadingPolicy readings = ReadingPolicy::Auto;
    std::vector<NumberKind> numberKinds = {NumberKind::Mobile, NumberKind::Work, NumberKind::Home,
                                           NumberKind::Other};
    bool allNumbers = false;
    std::string prefix; // digits put in front of every number that is not short
    ColumnMap map;
};

constexpr int kDefaultGroup = 1;

// "mobile,work,home,other" (and "fax"): nullopt with `error` set when a kind is unknown.
std::optional<std::vector<NumberKind>> parseNumberKinds(std::string_view text, std::string& error);

// "name=COLUMN,reading=COLUMN,number=COLUMN[,group=COLUMN][,company=COLUMN]" (also mobile=,
// work=, home=): nullopt with `error` set when a field is unknown or has no column.
std::optional<ColumnMap> parseColumnMap(std::string_view text, std::string& error);

// What is wrong with options for a workspace's memory count (1 = 600, 2 = 990), empty when
// nothing: a template placeholder, position, first memory, group or prefix out of place.
std::string checkOptions(const ImportOptions& options, int memoryMode);

// The memories of the target book in the memory count, in order: common 0..599 or 0..989, my
// phonebook 980..999 or 990..999.
std::vector<int> bookMemories(BookKind kind, int memoryMode);

} // namespace rk::contacts
