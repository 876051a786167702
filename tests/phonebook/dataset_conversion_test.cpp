#include "phonebook/dataset_conversion.h"

#include "image/command_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace rk::phonebook;

namespace {

class DataSetConversionTest : public ::testing::Test {
protected:
    void SetUp() override { rk::image::initialiseImage(*image); }

    // What the console shows for a command number after "#": the value the image holds.
    std::string shown(const std::string& command) {
        return rk::image::executeCommandString(*image, 1, command).value_or("--P");
    }

    std::unique_ptr<rk::image::DataImage> image = std::make_unique<rk::image::DataImage>();
};

} // namespace

TEST(DataSetCommand, ElementPartsAreSplitAtCommasAndTrimmed) {
    EXPECT_EQ(elementParts(" 1 2 ,\t,\n3,,4\r\n"), (std::vector<std::string_view>{"1 2", "3", "4"}));
    EXPECT_EQ(elementParts("05"), (std::vector<std::string_view>{"05"}));
    EXPECT_TRUE(elementParts(" \n, ,").empty());
    EXPECT_TRUE(elementParts("").empty());
}

TEST(DataSetCommand, ItemNumberTakesThreeDigitsBelowOneThousandAndFourFrom) {
    EXPECT_EQ(dataSetCommand(83, "05", 0), "*08305#");
    EXPECT_EQ(dataSetCommand(0, "1", 0), "*0001#");
    EXPECT_EQ(dataSetCommand(999, "1", 0), "*9991#");
    EXPECT_EQ(dataSetCommand(1000, "1", 0), "*10001#");
    EXPECT_EQ(dataSetCommand(9100, "3@1", 0), "*910031#");
    EXPECT_EQ(dataSetCommand(-1, "1", 0), "");
    EXPECT_EQ(dataSetCommand(10000, "1", 0), "");
}

TEST(DataSetCommand, FieldMarksOfThePart) {
    // "s" ends a field with "#", "_" joins without one, "-" is dropped.
    EXPECT_EQ(dataSetCommand(180, "101_01-1", 0), "*180101011#");
    EXPECT_EQ(dataSetCommand(9112, "101s1s2s", 0), "*9112101#1#2##");
    // A part without digits still makes a command.
    EXPECT_EQ(dataSetCommand(83, "x", 0), "*083x#");
    // Blanks are kept as the technician would have typed them.
    EXPECT_EQ(dataSetCommand(83, "1 2", 0), "*0831 2#");
}

TEST(DataSetCommand, OnlyTheFirstAtOfAnItemWithSubFieldsSplits) {
    // 831 has an address and a data field: its first "@" hands the token over, and what follows
    // a hand-over up to the next digit is dropped.
    EXPECT_EQ(dataSetCommand(831, "101@000", 0), "*831101000#");
    EXPECT_EQ(dataSetCommand(831, "101@x5", 0), "*8311015#");
    EXPECT_EQ(dataSetCommand(831, "1@0@1", 0), "*831101#");
    // 83 has one field only: "@" is dropped and the token runs on.
    EXPECT_EQ(dataSetCommand(83, "0@x5", 0), "*0830x5#");
    // Characters before the first digit of a part are kept.
    EXPECT_EQ(dataSetCommand(83, "x5", 0), "*083x5#");
}

TEST(DataSetCommand, StationFieldOfItem9419DependsOnTheFirmware) {
    // Before 5.01 the main unit leaves out the "s" that ends the station field.
    EXPECT_EQ(dataSetCommand(9419, "101@12", 0), "*9419101#12#");
    EXPECT_EQ(dataSetCommand(9419, "101s@12", 1), "*9419101#12#");
    EXPECT_EQ(dataSetCommand(9419, "101@12", 1), "*941910112#");
    // Only item 9419 is widened.
    EXPECT_EQ(dataSetCommand(831, "101@000", 1), "*831101000#");
}

TEST_F(DataSetConversionTest, EveryPartIsWrittenAndApplied) {
    std::string output = "head\n";
    EXPECT_EQ(convertDataSetItem(*image, 831, "101@123,\n102@045,\n", 0, output), "*831102045#");
    EXPECT_EQ(output, "head\n*831101123#\n*831102045#\n");
    EXPECT_EQ(shown("*831101#"), "831=101-123c");
    EXPECT_EQ(shown("*831102#"), "831=102-045c");

    output.clear();
    EXPECT_EQ(convertDataSetItem(*image, 9419, "101@12,", 0, output), "*9419101#12#");
    EXPECT_EQ(shown("*9419101#"), "9419=101-12c");
}

TEST_F(DataSetConversionTest, CommandsTheConsoleRefusesLeaveTheImageAsItWas) {
    ASSERT_EQ(shown("*08305#"), "083=05P");
    const auto before = std::make_unique<rk::image::DataImage>(*image);
    std::string output;
    // 163 takes one digit of 0 or 1; an unknown command has no row at all.
    convertDataSetItem(*image, 163, "7", 0, output);
    convertDataSetItem(*image, 299, "1", 0, output);
    EXPECT_EQ(output, "*1637#\n*2991#\n");
    EXPECT_EQ(std::memcmp(&image->system, &before->system, sizeof image->system), 0);
}

TEST_F(DataSetConversionTest, EmptyElementsOfItems83_163And164ApplyTheirDefaultUnwritten) {
    ASSERT_EQ(shown("*08305#"), "083=05P");
    ASSERT_EQ(shown("*1631#"), "163=1P");
    ASSERT_EQ(shown("*16412345#"), "164=12345P");
    std::string output;
    EXPECT_EQ(convertDataSetItem(*image, 83, "", 0, output), "");
    EXPECT_EQ(convertDataSetItem(*image, 163, " , \n", 0, output), "");
    EXPECT_EQ(convertDataSetItem(*image, 164, "\n", 0, output), "");
    EXPECT_EQ(output, "");
    EXPECT_EQ(shown("*083#"), "083=00c");
    EXPECT_EQ(shown("*163#"), "163=0c");
    EXPECT_EQ(shown("*164#"), "164=00000c");
}

TEST_F(DataSetConversionTest, AnyNonEmptyPartSuppressesTheDefault) {
    ASSERT_EQ(shown("*08305#"), "083=05P");
    std::string output;
    // No digits, so the console refuses the command, but it was built: no default either.
    EXPECT_EQ(convertDataSetItem(*image, 83, "x", 0, output), "*083x#");
    EXPECT_EQ(output, "*083x#\n");
    EXPECT_EQ(shown("*083#"), "083=05c");

    // Other items have no default: an empty element changes nothing.
    ASSERT_EQ(shown("*13045#"), "130=45P");
    EXPECT_EQ(convertDataSetItem(*image, 130, "", 0, output), "");
    EXPECT_EQ(shown("*130#"), "130=45c");
}
