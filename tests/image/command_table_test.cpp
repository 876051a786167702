#include "image/command_engine.h"
#include "image/command_handlers.h"
#include "image/command_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace rk::image;

namespace {

std::string run(DataImage& image, std::string_view command) {
    return executeCommandString(image, 1, command).value_or("--P");
}

std::unique_ptr<DataImage> freshImage() {
    auto image = std::make_unique<DataImage>();
    initialiseImage(*image);
    return image;
}

// The command that stores a value at an address: the show command without its closing "#",
// the value digits and "#".
std::string storeCommand(int command, const CommandRow& row, const AddressValues& address,
                         const std::string& digits) {
    std::string text = showCommandText(command, row, address);
    text.pop_back();
    return text + digits + "#";
}

// The value digits of a shown text: what follows the address part, separators and mark removed.
std::string shownDigits(const std::string& shown, const CommandRow& row) {
    std::size_t start = shown.find('=') + 1;
    if (addressFieldCount(row) > 0) start = shown.find('-') + 1;
    std::string digits;
    for (std::size_t i = start; i < shown.size(); ++i)
        if (shown[i] != ',' && shown[i] != 'c') digits += shown[i];
    return digits;
}

TEST(CommandTable, NineteenGroupsEachEndedByAnEndRow) {
    const auto rows = commandRows();
    const auto groups = commandGroups();
    ASSERT_EQ(groups.size(), 19u);
    const std::size_t expectedCounts[19] = {100, 90, 97, 26, 25, 100, 34, 61, 44, 20,
                                            20,  14, 20, 18, 93, 24,  0,  2,  40};
    std::size_t next = 0;
    std::size_t commandRowTotal = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(groups[g].first, next) << g;
        EXPECT_EQ(groups[g].count, expectedCounts[g]) << g;
        for (std::size_t i = 0; i < groups[g].count; ++i)
            EXPECT_NE(rows[next + i][rowbyte::kKind], kKindGroupEnd);
        EXPECT_EQ(rows[next + groups[g].count][rowbyte::kKind], kKindGroupEnd) << g;
        commandRowTotal += groups[g].count;
        next += groups[g].count + 1;
    }
    EXPECT_EQ(commandRowTotal, 828u);
    EXPECT_EQ(next, 847u);
    // The row after the last group stands for "no command" and is part of the table.
    EXPECT_EQ(noCommandRow(), 847u);
    ASSERT_EQ(rows.size(), 848u);
    EXPECT_EQ(rows[noCommandRow()][rowbyte::kPair], kPairNothing);
}

TEST(CommandTable, CommandNumbersMapToTheirGroup) {
    const auto groups = commandGroups();
    auto place = [&](int command) { return rowIndexOf(command); };
    EXPECT_EQ(place(0), groups[0].first);
    EXPECT_EQ(place(99), groups[0].first + 99);
    EXPECT_EQ(place(189), groups[1].first + 89);
    EXPECT_EQ(place(190), noCommandRow()); // beyond the 90 rows of 1xx
    EXPECT_EQ(place(250), noCommandRow()); // 2xx has no group
    EXPECT_EQ(place(396), groups[2].first + 96);
    EXPECT_EQ(place(397), noCommandRow());
    EXPECT_EQ(place(425), groups[3].first + 25);
    EXPECT_EQ(place(860), groups[7].first + 60);
    EXPECT_EQ(place(9143), groups[8].first + 43);
    // 92xx: the tens digit picks one of five groups of twenty.
    EXPECT_EQ(place(9219), groups[9].first + 19);
    EXPECT_EQ(place(9220), groups[10].first + 0);
    EXPECT_EQ(place(9243), groups[11].first + 3);
    EXPECT_EQ(place(9254), noCommandRow()); // group 11 has 14 rows
    EXPECT_EQ(place(9279), groups[12].first + 19);
    EXPECT_EQ(place(9297), groups[13].first + 17);
    EXPECT_EQ(place(9298), noCommandRow());
    EXPECT_EQ(place(9392), groups[14].first + 92);
    EXPECT_EQ(place(9423), groups[15].first + 23);
    EXPECT_EQ(place(9424), noCommandRow());
    EXPECT_EQ(place(9450), noCommandRow());
    for (int command = 9480; command <= 9489; ++command) EXPECT_EQ(place(command), noCommandRow()) << command;
    EXPECT_EQ(place(9490), groups[17].first);
    EXPECT_EQ(place(9491), groups[17].first + 1);
    EXPECT_EQ(place(9539), groups[18].first + 39);
    EXPECT_EQ(place(9540), noCommandRow());
    EXPECT_EQ(place(9012), noCommandRow());
    EXPECT_EQ(rowIndexOf(std::string_view("120")), place(120));
    EXPECT_EQ(rowIndexOf(std::string_view("9335")), place(9335));
    EXPECT_EQ(rowIndexOf(std::string_view("933")), noCommandRow()); // a 9 always begins four digits
    EXPECT_EQ(rowIndexOf(std::string_view("1 0")), noCommandRow());
}

TEST(CommandTable, DefinedRowsAreWellFormed) {
    int previous = -1;
    for (const ItemDefinition& item : definedItems()) {
        SCOPED_TRACE(item.command);
        const CommandRow& row = item.row;
        EXPECT_GT(item.command, previous) << "items are listed in table order";
        previous = item.command;
        EXPECT_EQ(rowOf(item.command), row);
        const int addressCount = addressFieldCount(row);
        const int dataCount = dataFieldCount(row);
        EXPECT_GE(dataCount, 1);
        EXPECT_LE(addressCount + dataCount, 6);
        for (int f = addressCount + dataCount + 1; f <= 6; ++f)
            EXPECT_EQ(row[1 + static_cast<std::size_t>(f)], 0);
        for (int f = 1; f <= addressCount + dataCount; ++f) {
            EXPECT_GE(fieldMinimum(row, f), 1);
            EXPECT_LE(fieldMinimum(row, f), fieldMaximum(row, f));
        }
        // Only the last data field may be keyed shorter than its width and closed with "#".
        for (int f = addressCount + 1; f < addressCount + dataCount; ++f)
            EXPECT_EQ(fieldMinimum(row, f), fieldMaximum(row, f));
        EXPECT_LE(row[rowbyte::kReturnField], addressCount);
        if (addressCount > 0 && row[rowbyte::kKind] == kKindOrdinary) {
            EXPECT_NE(row[rowbyte::kReturnField], 0);
        }
        EXPECT_NE(row[rowbyte::kPair], kPairNothing);
        if (const AreaDescriptor* area = areaForRow(row)) {
            EXPECT_EQ(area->addressCount, addressCount);
            EXPECT_LT(row[rowbyte::kMask], valueRanges().size());
        } else {
            EXPECT_EQ(addressCount, 0);
        }
    }
}

TEST(CommandTable, EveryGroupWithHandlersHasAnItem) {
    std::set<std::size_t> groupsWithItems;
    const auto groups = commandGroups();
    for (const ItemDefinition& item : definedItems()) {
        const std::size_t index = rowIndexOf(item.command);
        for (std::size_t g = 0; g < groups.size(); ++g)
            if (index >= groups[g].first && index < groups[g].first + groups[g].count)
                groupsWithItems.insert(g);
    }
    // 948x has no rows and 949x none with a handler.
    for (std::size_t g = 0; g < groups.size(); ++g)
        EXPECT_EQ(groupsWithItems.count(g), (g == 16 || g == 17) ? 0u : 1u) << g;
}

TEST(CommandTable, EveryRowSurvivesShowStoreShow) {
    auto image = freshImage();
    std::size_t entries = 0;
    for (const ItemDefinition& item : definedItems()) {
        const CommandRow& row = item.row;
        forEachAddress(row, [&](const AddressValues& address) {
            ++entries;
            const std::string show = showCommandText(item.command, row, address);
            ASSERT_LT(show.size(), 16u) << show; // fits before the text column of the data-set lines
            const std::string shown = run(*image, show);
            ASSERT_EQ(shown.back(), 'c') << show << " -> " << shown;
            const std::string digits = shownDigits(shown, row);
            const std::string stored = run(*image, storeCommand(item.command, row, address, digits));
            std::string expected = shown;
            expected.back() = 'P';
            ASSERT_EQ(stored, expected) << show;
            ASSERT_EQ(run(*image, show), shown) << show;
        });
    }
    EXPECT_GT(entries, 9600u); // 180 alone has 100 stations × 96 slots
}

// Stores a value other than the default at every address of every item; the bytes that change
// must belong to that item alone and lie in the programmable part of the image.
TEST(CommandTable, ItemsOccupyBytesOfTheirOwn) {
    const auto pristine = freshImage();
    const auto* base = reinterpret_cast<const std::uint8_t*>(pristine.get());
    std::map<std::size_t, int> owner;
    // Change markers are shared by design: several items raise the same one.
    const auto* system = reinterpret_cast<const std::uint8_t*>(&pristine->system.singleBytes);
    std::set<std::size_t> shared;
    for (std::size_t marker : {setting::kSwitchMarker, setting::kSwitchChanged, setting::kChangeNotice})
        shared.insert(static_cast<std::size_t>(system + marker - base));
    for (const ItemDefinition& item : definedItems()) {
        SCOPED_TRACE(item.command);
        auto image = std::make_unique<DataImage>(*pristine);
        const CommandRow& row = item.row;
        const std::uint32_t value =
            item.factoryDefault == 1 ? (row[rowbyte::kPair] == kPairSwitchBit ? 0 : 2) : 1;
        forEachAddress(row, [&](const AddressValues& address) {
            std::string digits;
            for (int f = addressFieldCount(row) + 1; f <= addressFieldCount(row) + dataFieldCount(row); ++f) {
                std::string field = std::to_string(value);
                field.insert(0, static_cast<std::size_t>(fieldMaximum(row, f)) - field.size(), '0');
                digits += field;
            }
            const std::string result = run(*image, storeCommand(item.command, row, address, digits));
            ASSERT_EQ(result.back(), 'P') << result;
        });
        const auto* changed = reinterpret_cast<const std::uint8_t*>(image.get());
        std::size_t changes = 0;
        const std::size_t consolesEnd = offsetof(DataImage, consoles) + sizeof(image->consoles);
        for (std::size_t i = consolesEnd; i < sizeof(DataImage); ++i) {
            if (changed[i] == base[i] || shared.count(i) != 0) continue;
            ++changes;
            EXPECT_LT(i, offsetof(DataImage, workingCopy)) << "outside the programmable data";
            const auto [place, inserted] = owner.emplace(i, item.command);
            EXPECT_TRUE(inserted) << "byte " << i << " also belongs to " << place->second;
        }
        EXPECT_GT(changes, 0u);
    }
}

TEST(CommandTable, FixedCommandStringsOfTheProgram) {
    auto image = freshImage();
    EXPECT_EQ(run(*image, "*82010#"), "820=10-FFc");
    EXPECT_EQ(run(*image, "*189#"), "189=1c");
    EXPECT_EQ(run(*image, "*1890#"), "189=0P");
    EXPECT_EQ(run(*image, "*189#"), "189=0c");
    EXPECT_EQ(run(*image, "*831101#"), "831=101-000c");
    for (int position = 101; position <= 200; ++position) {
        char command[16];
        std::snprintf(command, sizeof command, "*831%03d000#", position);
        const bool telephone = position < 149 || position > 152;
        const std::string expected = "831=" + std::to_string(position) + "-000P";
        EXPECT_EQ(run(*image, command), telephone ? expected : "--P") << command;
    }
    for (int position : {101, 150, 200}) {
        const std::string command = "*9112" + std::to_string(position) + "#110#";
        EXPECT_EQ(run(*image, command), "9112=" + std::to_string(position) + ",1,1-0P");
    }
    // The defaults applied when a downloaded item holds no value.
    EXPECT_EQ(run(*image, "*08300#"), "083=00P");
    EXPECT_EQ(run(*image, "*1630#"), "163=0P");
    EXPECT_EQ(run(*image, "*16400000#"), "164=00000P");
}

TEST(CommandTable, FreshImageShowsTheFactoryDefaults) {
    auto image = freshImage();
    EXPECT_EQ(run(*image, "*120#"), "120=1c");
    EXPECT_EQ(run(*image, "*130#"), "130=03c");
    EXPECT_EQ(run(*image, "*0800#"), "080=0-3c");
    EXPECT_EQ(run(*image, "*08111#"), "081=11-FFc");
    EXPECT_EQ(run(*image, "*200200#"), "--P");
    EXPECT_EQ(run(*image, "*500200#"), "500=200-FFFc");
    EXPECT_EQ(run(*image, "*929048#"), "9290=48-43690c");
    EXPECT_EQ(run(*image, "*625#"), "625=08c");
    EXPECT_EQ(run(*image, "*9335#"), "9335=05c");
    EXPECT_EQ(image->system.singleWords[setting::kTwoDigitWord], 600);
    EXPECT_EQ(image->system.table10, (std::array<std::uint8_t, 10>{3, 3, 3, 3, 3, 3, 3, 3, 3, 3}));
}

TEST(CommandTable, FactoryDefaultsPutBackWhatCommandsChanged) {
    auto image = freshImage();
    const auto pristine = std::make_unique<DataImage>(*image);
    for (const char* command :
         {"*1202#", "*0805#", "*0802#", "*9419101#7#", "*1801013#", "*933599#", "*1891#"})
        run(*image, command);
    image->consoles = pristine->consoles;
    image->consoleControl = pristine->consoleControl;
    EXPECT_NE(std::memcmp(image.get(), pristine.get(), sizeof(DataImage)), 0);
    writeFactoryDefaults(*image);
    EXPECT_EQ(std::memcmp(image.get(), pristine.get(), sizeof(DataImage)), 0);
}

} // namespace
