#include "image/command_engine.h"
#include "image/command_handlers.h"
#include "image/digit_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace rk::image;

namespace {

class CommandEngine : public ::testing::Test {
protected:
    void SetUp() override { initialiseImage(*image_); }

    // Runs a command string on console 1; "--P" stands for "nothing returned".
    std::string run(std::string_view command, int consoleNumber = 1) {
        return executeCommandString(*image_, consoleNumber, command).value_or("--P");
    }

    void press(std::string_view keys, int consoleNumber = 1) {
        for (char key : keys) pressKey(*image_, consoleNumber, static_cast<unsigned char>(key));
    }

    ConsoleRecord& console(int number = 1) { return image_->consoles[static_cast<std::size_t>(number - 1)]; }
    std::uint8_t state(int number = 1) { return console(number)[console::kKeyState]; }

    // Everything of the image but the consoles and their control block, which keying changes.
    std::vector<std::uint8_t> programmedBytes() const {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(image_.get());
        const std::size_t consolesEnd = offsetof(DataImage, consoles) + sizeof(image_->consoles);
        return {bytes + consolesEnd, bytes + sizeof(DataImage)};
    }

    std::unique_ptr<DataImage> image_ = std::make_unique<DataImage>();
};

TEST_F(CommandEngine, KeysInACommandAsTheTechnicianTypesThem) {
    press("*8");
    EXPECT_EQ(state(), keystate::kCommandNumber);
    EXPECT_EQ(consoleText(console()), "8");
    press("31");
    EXPECT_EQ(state(), keystate::kAddress);
    EXPECT_EQ(consoleText(console()), "831=");
    press("101");
    EXPECT_EQ(state(), keystate::kData);
    EXPECT_EQ(consoleText(console()), "831=101-");
    press("#");
    EXPECT_EQ(consoleText(console()), "831=101-000c");
    EXPECT_EQ(console()[console::kComplete], 255);
}

TEST_F(CommandEngine, StarInTheMiddleOfACommandStartsOver) {
    press("*83110");
    press("*");
    EXPECT_EQ(state(), keystate::kCommandNumber);
    EXPECT_EQ(console()[console::kTextLength], 0);
    const std::string text(reinterpret_cast<const char*>(&console()[console::kText]), console::kTextCapacity);
    EXPECT_EQ(text, "   =" + std::string(23, ' '));
    EXPECT_EQ(run("*8311*120#"), "120=1c");
}

TEST_F(CommandEngine, StarRestartsFromEveryKeyState) {
    for (std::uint8_t keyState :
         {0, 16, 17, 32, 48, 49, 64, 65, 66, 80, 81, 82, 83, 84, 96, 97, 98, 112, 113, 114, 115, 128, 144}) {
        console()[console::kKeyState] = keyState;
        console()[console::kComplete] = 255;
        press("*");
        EXPECT_EQ(state(), keystate::kCommandNumber) << int(keyState);
        EXPECT_EQ(console()[console::kComplete], 0) << int(keyState);
    }
}

TEST_F(CommandEngine, StateTableCoversTwentyThreeStatesAndNineKeyClasses) {
    EXPECT_EQ(keyStateRow(0), 0);
    EXPECT_EQ(keyStateRow(49), 5);
    EXPECT_EQ(keyStateRow(144), 22);
    EXPECT_EQ(keyStateRow(50), -1);
    EXPECT_EQ(keyClass('7'), 0);
    EXPECT_EQ(keyClass('*'), 1);
    EXPECT_EQ(keyClass('#'), 2);
    EXPECT_EQ(keyClass('C'), 3);
    EXPECT_EQ(keyClass(kKeySpecial1), 4);
    EXPECT_EQ(keyClass(kKeySpecial2), 5);
    EXPECT_EQ(keyClass(kKeySpecial3), 6);
    EXPECT_EQ(keyClass(kKeyBackspace), 7);
    EXPECT_EQ(keyClass('c'), 8);
    // "*" is active everywhere, so at most 23 × 8 entries can ignore their key.
    EXPECT_LE(ignoredKeyEntries(), kKeyStateRows * (kKeyClasses - 1));
    EXPECT_GT(ignoredKeyEntries(), 100u);
}

TEST_F(CommandEngine, FourDigitCommandsMoveTheEqualsSign) {
    press("*9");
    EXPECT_EQ(state(), keystate::kFourDigitNumber);
    EXPECT_EQ(console()[console::kText + 3], ' ');
    EXPECT_EQ(console()[console::kText + 4], '=');
    press("\b");
    EXPECT_EQ(state(), keystate::kCommandNumber);
    EXPECT_EQ(console()[console::kText + 3], '=');
    EXPECT_EQ(run("*9335#"), "9335=05c");
    EXPECT_EQ(run("*12\b20#"), "120=1c");
    EXPECT_EQ(run("*9\b120#"), "120=1c");
    EXPECT_EQ(run("*933\b35#"), "9335=05c");
}

TEST_F(CommandEngine, BackspaceStaysInsideTheField) {
    press("*831101");
    press("\b");
    EXPECT_EQ(consoleText(console()), "831=101-"); // the address field is closed already
    press("12\b3");
    EXPECT_EQ(consoleText(console()), "831=101-13");
    press("5#");
    EXPECT_EQ(consoleText(console()), "831=101-135P");
}

TEST_F(CommandEngine, ShowThenStoreTheMemoryCount) {
    EXPECT_EQ(run("*120#"), "120=1c");
    EXPECT_EQ(run("*1202#"), "120=2P");
    EXPECT_EQ(image_->memoryMode, 2);
    EXPECT_EQ(run("*120#"), "120=2c");
    EXPECT_EQ(run("*120#1#"), "120=1P"); // a new value after the shown one
    EXPECT_EQ(image_->memoryMode, 1);
    EXPECT_EQ(run("*1203#"), "--P"); // only 1 and 2 are memory counts
    EXPECT_EQ(image_->memoryMode, 1);
}

TEST_F(CommandEngine, AddressedCommandsGoBackToTheAddressAfterEachEntry) {
    EXPECT_EQ(run("*831101123#102045#"), "831=102-045P");
    EXPECT_EQ(run("*831101#"), "831=101-123c");
    EXPECT_EQ(run("*831101#102#"), "831=102-045c");
    EXPECT_EQ(run("*831149000#"), "--P"); // 149..152 are no telephones
}

TEST_F(CommandEngine, SelectValueCommandsShowAndChangeAfterTheAddress) {
    EXPECT_EQ(run("*9419101#"), "9419=101-00c");
    EXPECT_EQ(run("*9419101#5#"), "9419=101-5P");
    EXPECT_EQ(run("*9419101#"), "9419=101-05c");
    EXPECT_EQ(run("*94191027#"), "9419=102-7P");
}

TEST_F(CommandEngine, BitItemGivenTwoIsRefusedAndChangesNothing) {
    const auto before = programmedBytes();
    EXPECT_FALSE(executeCommandString(*image_, 1, "*1892#").has_value());
    EXPECT_EQ(visibleText(console()), "--P");
    EXPECT_EQ(state(), keystate::kIdle);
    EXPECT_EQ(programmedBytes(), before);
    EXPECT_EQ(run("*189#"), "189=1c");
    EXPECT_EQ(run("*1890#"), "189=0P");
    EXPECT_NE(programmedBytes(), before);
    EXPECT_EQ(run("*189#"), "189=0c");
}

TEST_F(CommandEngine, RefusedValuesLeaveTheImageAsItWas) {
    const auto before = programmedBytes();
    for (const char* command : {"*62516#", "*62500#", "*16499999#", "*831101999#", "*08010#", "*08015#",
                                "*9112101#130#", "*8201612#"}) {
        run(command);
        EXPECT_EQ(programmedBytes(), before) << command;
    }
}

TEST_F(CommandEngine, CommandsWithoutARowShowTheErrorMark) {
    for (const char* command : {"*200#", "*2001#", "*9480#", "*9485#", "*9489#", "*9254#", "*9298#", "*9445#",
                                "*9540#", "*9099#", "*000#"}) {
        EXPECT_EQ(run(command), "--P") << command;
        EXPECT_EQ(visibleText(console()), "--P") << command;
    }
}

TEST_F(CommandEngine, NinetyTwoHundredsPickTheirGroupByTheTensDigit) {
    EXPECT_EQ(run("*9200101#"), "9200=1,01-0c");
    EXPECT_EQ(run("*9224#"), "9224=0c");
    EXPECT_EQ(run("*9242#"), "9242=00c");
    EXPECT_EQ(run("*9262#"), "9262=0c");
    EXPECT_EQ(run("*9285#"), "9285=0c");
}

TEST_F(CommandEngine, LongDisplayShowsTheLastTwentyCharacters) {
    EXPECT_EQ(run("*09901#"), "099=01-00,00,00,00,00c");
    EXPECT_EQ(console()[console::kDisplayOffset], 2);
    EXPECT_EQ(visibleText(console()), "9=01-00,00,00,00,00c");
    EXPECT_EQ(run("*120#"), "120=1c");
    EXPECT_EQ(console()[console::kDisplayOffset], 0);
}

TEST_F(CommandEngine, UnsetValuesShowAsFAndCanBeClearedAgain) {
    EXPECT_EQ(run("*82010#"), "820=10-FFc");
    EXPECT_EQ(run("*8201042#"), "820=10-42P");
    EXPECT_EQ(image_->system.table16[10], 42);
    EXPECT_EQ(run("*82010FF#"), "820=10-FFP");
    EXPECT_EQ(image_->system.table16[10], 255);
    EXPECT_EQ(run("*500101#"), "500=101-FFFc");
    EXPECT_EQ(run("*500101798#"), "500=101-798P");
    EXPECT_EQ(image_->system.portRecords[0][24], 798 & 0xFF);
    EXPECT_EQ(image_->system.portRecords[0][25], 798 >> 8);
}

TEST_F(CommandEngine, TwoDigitPairKeepsMinutesTimesOneHundredTwenty) {
    EXPECT_EQ(run("*933507#"), "9335=07P");
    EXPECT_EQ(image_->system.singleWords[setting::kTwoDigitWord], 840);
    EXPECT_EQ(run("*9335#"), "9335=07c");
    EXPECT_EQ(run("*62515#"), "625=15P");
    EXPECT_EQ(run("*62516#"), "--P");
    EXPECT_EQ(run("*625#"), "625=15c");
}

TEST_F(CommandEngine, WideValuesAreRangeCheckedBeforeTheyFitTheirType) {
    // 99999 would wrap to 34463 in 16-bit arithmetic; it is refused instead.
    EXPECT_EQ(run("*16499999#"), "--P");
    EXPECT_EQ(run("*164#"), "164=00000c");
    EXPECT_EQ(run("*16465534#"), "164=65534P");
    EXPECT_EQ(run("*9271#"), "9271=00000000c");
    EXPECT_EQ(run("*927199999999#"), "9271=99999999P");
    EXPECT_EQ(run("*9271#"), "9271=99999999c");
}

TEST_F(CommandEngine, NumberedTableMarksTheChangedBlock) {
    EXPECT_EQ(run("*8001235#"), "800=123-5P");
    EXPECT_EQ(image_->changeFlags, (std::array<std::uint8_t, 6>{0, 0, 255, 0, 0, 0}));
    EXPECT_EQ(run("*8003#7#"), "800=3-7P"); // a shorter number closed with "#"
    EXPECT_EQ(image_->changeFlags[0], 255);
}

TEST_F(CommandEngine, ExecutionRestoresTheCurrentConsole) {
    image_->consoleControl[control::kCurrentConsole] = 5;
    EXPECT_EQ(run("*120#", 7), "120=1c");
    EXPECT_EQ(image_->consoleControl[control::kCurrentConsole], 5);
    EXPECT_EQ(consoleText(console(7)), "120=1c");
    EXPECT_EQ(console(1)[console::kKeyState], 0);
}

TEST_F(CommandEngine, OnlyConsolesOneTo216Exist) {
    const auto before = std::make_unique<DataImage>(*image_);
    EXPECT_FALSE(executeCommandString(*image_, 0, "*120#").has_value());
    EXPECT_FALSE(executeCommandString(*image_, 217, "*120#").has_value());
    pressKey(*image_, 300, '*');
    EXPECT_EQ(std::memcmp(before.get(), image_.get(), sizeof(DataImage)), 0);
    EXPECT_EQ(run("*120#", 216), "120=1c");
}

TEST_F(CommandEngine, ALongStringStaysInsideItsConsole) {
    const auto before = std::make_unique<DataImage>(*image_);
    const std::string garbage(200, '7');
    executeCommandString(*image_, 1, garbage);
    // Only the text bytes of console 1 may change (no "*", so no key is taken).
    for (std::size_t i = 0; i < kConsoleRecordSize; ++i) {
        if (i >= console::kText && i < console::kText + console::kTextCapacity) continue;
        EXPECT_EQ(console(1)[i], before->consoles[0][i]) << i;
    }
    EXPECT_EQ(console(2), before->consoles[1]);
}

TEST(CommandHandlers, MarkerSwitchOnlyTakesOne) {
    auto image = std::make_unique<DataImage>();
    initialiseImage(*image);
    const CommandRow row = {0, 0x01, 0x11, 0, 0, 0, 0, 0, 0, kPairSwitchBit, 26, 0, 0x01};
    ConsoleRecord record{};
    ConsoleText text(record);
    text.blank();
    text.append("100=1");
    HandlerContext context{*image, record, row, 4};
    EXPECT_EQ(runStore(context), 0);
    EXPECT_EQ(image->system.singleBytes[setting::kSwitchMarker], 255);
    text.set(4, '0');
    EXPECT_EQ(runStore(context), 1);
    text.cutTo(4);
    EXPECT_EQ(runShow(context), 1);
}

TEST(CommandHandlers, PairSixtyDoesNothingAndFails) {
    auto image = std::make_unique<DataImage>();
    initialiseImage(*image);
    const auto before = std::make_unique<DataImage>(*image);
    const CommandRow row = {0, 0x01, 0x11, 0, 0, 0, 0, 0, 0, kPairNothing, 1, 0, 0};
    ConsoleRecord record{};
    HandlerContext context{*image, record, row, 4};
    EXPECT_EQ(runStore(context), 1);
    EXPECT_EQ(runShow(context), 1);
    EXPECT_EQ(handlerTable().size(), 418u);
    EXPECT_EQ(std::memcmp(before.get(), image.get(), sizeof(DataImage)), 0);
}

TEST(DigitCodec, ReadsBytesWordsAndLongsWithinTheirRange) {
    ConsoleRecord record{};
    ConsoleText text(record);
    text.blank();
    text.append("300");
    EXPECT_EQ(codec::readByte(record, 0, 3, 0, 200), 255);
    EXPECT_EQ(codec::readByte(record, 0, 3, 0, 254), 255); // 300 is above any byte
    EXPECT_EQ(codec::readByte(record, 1, 2, 0, 200), 0);
    text.cutTo(0);
    text.append("199");
    EXPECT_EQ(codec::readByte(record, 0, 3, 0, 200), 199);
    EXPECT_EQ(codec::readByte(record, 0, 3, 200, 254), 255);
    text.cutTo(0);
    text.append("65535123456789012");
    EXPECT_EQ(codec::readWord(record, 0, 5, 0, 65534), 65535);
    EXPECT_EQ(codec::readWord(record, 0, 4, 0, 65534), 6553);
    EXPECT_EQ(codec::readLong(record, 5, 9, 0, 999999999), 123456789);
    EXPECT_EQ(codec::readLong(record, 5, 12, 0, 0x7FFFFFFF), -1); // beyond 32 bits, not wrapped
    EXPECT_EQ(codec::readWord(record, 20, 10, 0, 65534), 0);      // blanks past the text read as 0
}

TEST(DigitCodec, WritesDigitsInABase) {
    ConsoleRecord record{};
    ConsoleText text(record);
    text.blank();
    EXPECT_TRUE(codec::writeDigits(record, 255, 2, 16));
    EXPECT_TRUE(codec::writeDigits(record, 42, 4, 10));
    EXPECT_EQ(text.view(), "FF0042");
    EXPECT_TRUE(codec::writeDigits(record, 1234, 2, 10)); // the low digits
    EXPECT_EQ(text.view(), "FF004234");
    EXPECT_FALSE(codec::writeDigits(record, 0, 20, 10)); // no room left for 20 more
    EXPECT_EQ(text.length(), 8u);
}

TEST(DigitCodec, SmallHelpers) {
    EXPECT_EQ(codec::digitKeyValue('0'), 10);
    EXPECT_EQ(codec::digitKeyValue('7'), 7);
    EXPECT_EQ(codec::digitKeyValue('#'), 0);
    ConsoleRecord record{};
    ConsoleText text(record);
    text.blank();
    text.append("120=0007 9 X5");
    EXPECT_EQ(codec::countLeadingDigits(record, 10), 3u);
    EXPECT_EQ(codec::countLeadingDigits(record, 2), 2u);
    EXPECT_EQ(codec::fieldLength(record, 4), 4);
    EXPECT_EQ(codec::fieldLength(record, 9), 1);
    EXPECT_EQ(codec::fieldLength(record, 11), 255);
    EXPECT_EQ(codec::fieldLength(record, 0), 255);
    EXPECT_EQ(codec::fieldLength(record, 25), 0);
    EXPECT_TRUE(codec::allZero(record, 4, 3));
    EXPECT_FALSE(codec::allZero(record, 4, 4));
    EXPECT_TRUE(codec::allBlank(record, 13, 14));
    EXPECT_FALSE(codec::allBlank(record, 12, 2));
    EXPECT_TRUE(codec::allBlank(record, 26, 10)); // past the text counts as blank
}

} // namespace
