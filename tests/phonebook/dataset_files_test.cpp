#include "phonebook/dataset_files.h"

#include "image/command_engine.h"
#include "platform/progress.h"
#include "support/process.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using rk::phonebook::LineTable;
using namespace rk::phonebook;

namespace {

// One command line as the command table lays it out: the key from column 0, the console text
// from column 16, ended by a zero byte.
void putLine(LineTable& table, std::size_t index, const std::string& key, const std::string& text) {
    table.put(index, 0, key);
    table.put(index, kDataSetTextColumn, text);
    table.putByte(index, kDataSetTextColumn + text.size(), '\0');
}

std::set<std::string> filesIn(const std::filesystem::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.insert(entry.path().filename());
    return names;
}

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A complete root element: "<root>" first, "</root>" last, every "<hN>" closed by "</hN>"
// before the next one opens, every line ended by CR LF.
::testing::AssertionResult isCompleteRoot(const std::string& bytes) {
    const auto lines = linesOf(bytes);
    if (lines.size() < 2 || lines.front() != "<root>" || lines.back() != "</root>")
        return ::testing::AssertionFailure() << "not framed by <root> … </root>";
    std::string open;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.find("<no CR LF>") != std::string::npos)
            return ::testing::AssertionFailure() << "line without CR LF";
        if (line.rfind("</h", 0) == 0) {
            if (line != "</" + open.substr(1)) return ::testing::AssertionFailure() << "unexpected " << line;
            open.clear();
        } else if (line.rfind("<h", 0) == 0) {
            if (!open.empty()) return ::testing::AssertionFailure() << line << " inside " << open;
            open = line;
        } else if (open.empty()) {
            return ::testing::AssertionFailure() << "value outside a block: " << line;
        }
    }
    if (!open.empty()) return ::testing::AssertionFailure() << open << " not closed";
    return ::testing::AssertionSuccess();
}

std::string telephoneResetBlock() {
    std::string block = "<h831>\r\n";
    for (int number = 101; number <= 148; ++number) block += std::to_string(number) + "@000,\r\n";
    for (int number = 153; number <= 200; ++number) block += std::to_string(number) + "@000,\r\n";
    return block + "</h831>\r\n";
}

class DataSetFiles : public ::testing::Test {
protected:
    void SetUp() override {
        table_ = std::make_unique<LineTable>();
        table_->clear();
    }

    std::unique_ptr<LineTable> table_;
    rk::testing::TempDir dir_;
    rk::Workspace workspace_;
};

TEST_F(DataSetFiles, AGroupWithoutCommandLinesWritesNothing) {
    EXPECT_EQ(writeDataSetFilesFromTable(9, dir_.str(), *table_, false), 0);
    EXPECT_TRUE(filesIn(dir_.path()).empty());
}

TEST_F(DataSetFiles, GroupNineSplitsAfterCommand9141) {
    putLine(*table_, 0, "*910000#", "9100=00-5c");
    putLine(*table_, 1, "*9141101#", "9141=101-3c");
    putLine(*table_, 2, "*9141102#", "9141=102-4c");
    putLine(*table_, 3, "*9335#", "9335=05c");
    putLine(*table_, 4, "*9480#", "--P");
    ASSERT_EQ(writeDataSetFilesFromTable(9, dir_.str(), *table_, false), 1);
    EXPECT_EQ(filesIn(dir_.path()), (std::set<std::string>{"dset-9100.txt", "dset-9300.txt"}));
    EXPECT_EQ(dir_.read("dset-9100.txt"), "<root>\r\n"
                                          "<h9100>\r\n00@5\r\n</h9100>\r\n"
                                          "<h9141>\r\n101@3,\r\n102@4,\r\n</h9141>\r\n"
                                          "</root>\r\n");
    EXPECT_EQ(dir_.read("dset-9300.txt"), "<root>\r\n"
                                          "<h9335>\r\n05\r\n</h9335>\r\n"
                                          "<h9480>\r\n</h9480>\r\n"
                                          "</root>\r\n");
}

TEST_F(DataSetFiles, TelephoneResetBlockComesBeforeCommand830) {
    putLine(*table_, 0, "*8001#", "800=1-0c");
    putLine(*table_, 1, "*8301#", "830=1-0,2c");
    putLine(*table_, 2, "*8302#", "830=2-1,0c");
    putLine(*table_, 3, "*831101#", "831=101-007c");
    ASSERT_EQ(writeDataSetFilesFromTable(8, dir_.str(), *table_, false), 1);
    const std::string file = dir_.read("dset-800.txt");
    EXPECT_EQ(file,
              "<root>\r\n<h800>\r\n1@0\r\n</h800>\r\n" + telephoneResetBlock() +
                  "<h830>\r\n1@0@2,\r\n2@1@0,\r\n</h830>\r\n<h831>\r\n101@007\r\n</h831>\r\n</root>\r\n");
    const auto lines = linesOf(file);
    const auto open = std::find(lines.begin(), lines.end(), "<h831>");
    const auto close = std::find(open, lines.end(), "</h831>");
    EXPECT_EQ(close - open - 1, 96);
    for (int number = 149; number <= 152; ++number)
        EXPECT_EQ(file.find(std::to_string(number) + "@"), std::string::npos) << number;
}

TEST_F(DataSetFiles, ExtensionListTakesItsDigitCountFromCommand80) {
    putLine(*table_, 0, "*0800#", "080=0-3c");
    putLine(*table_, 1, "*0801#", "080=1-4c");
    putLine(*table_, 2, "*08100#", "081=00-12c");
    putLine(*table_, 3, "*08101#", "081=01-FFc");
    ASSERT_EQ(writeDataSetFilesFromTable(0, dir_.str(), *table_, false), 1);
    const auto lines = linesOf(dir_.read("dset-000.txt"));
    const auto list = std::find(lines.begin(), lines.end(), "<h082>");
    ASSERT_NE(list, lines.end());
    EXPECT_EQ(*(list - 1), "</h080>");
    EXPECT_EQ(*(list + 1), "101@000,");
    EXPECT_EQ(*(list + 100), "200@000,");
    EXPECT_EQ(*(list + 101), "301@000,");
    const auto end = std::find(list, lines.end(), "</h082>");
    ASSERT_NE(end, lines.end());
    EXPECT_EQ(*(end - 1), "999@000,");
    EXPECT_EQ(end - list - 1, 100 + 78 + 16 + 28 + 60 + 1);
    // Entry 00 of command 081 carries the one- and two-digit codes in front of its value.
    EXPECT_EQ(*(end + 1), "<h081>");
    EXPECT_EQ(*(end + 2), "99@0,");
    EXPECT_EQ(*(end + 11), "99@9,");
    EXPECT_EQ(*(end + 12), "99@00,");
    EXPECT_EQ(*(end + 111), "99@99,");
    EXPECT_EQ(*(end + 112), "00@12,");
    EXPECT_EQ(*(end + 113), "01@FF,");
    EXPECT_EQ(*(end + 114), "</h081>");

    table_->clear();
    putLine(*table_, 0, "*0800#", "080=0-2c");
    putLine(*table_, 1, "*08101#", "081=01-FFc");
    ASSERT_EQ(writeDataSetFilesFromTable(0, dir_.str(), *table_, false), 1);
    EXPECT_NE(dir_.read("dset-000.txt").find("798@00,\r\n999@00,\r\n</h082>\r\n<h081>\r\n01@FF\r\n</h081>"),
              std::string::npos);
}

TEST_F(DataSetFiles, RecordMarkerContinuesTheBlockInTheNextFile) {
    putLine(*table_, 0, "*168#01", "168=01-0c");
    putLine(*table_, 1, "*180200#48#", "180=200,48-1c");
    putLine(*table_, 2, "*180101#49#", "180=101,49-2c");
    putLine(*table_, 3, "*181#", "181=0c");
    ASSERT_EQ(writeDataSetFilesFromTable(1, dir_.str(), *table_, false), 1);
    EXPECT_EQ(dir_.read("dset-100.txt"), "<root>\r\n<h168>\r\n01@0\r\n</h168>\r\n</root>\r\n");
    EXPECT_EQ(dir_.read("dset-180-1.txt"), "<root>\r\n<h180>\r\n200@48@1,\r\n</h180>\r\n</root>\r\n");
    EXPECT_EQ(dir_.read("dset-180-2.txt"), "<root>\r\n<h180>\r\n101@49@2,\r\n</h180>\r\n</root>\r\n");
    EXPECT_EQ(dir_.read("dset-181.txt"), "<root>\r\n<h181>\r\n0\r\n</h181>\r\n</root>\r\n");
}

TEST_F(DataSetFiles, LinesWithoutAValueAreLeftOut) {
    putLine(*table_, 0, "*00300#", "003=00-1c");
    putLine(*table_, 1, "*0052#", "--P");
    putLine(*table_, 2, "*083#", "083=");
    ASSERT_EQ(writeDataSetFilesFromTable(0, dir_.str(), *table_, false), 1);
    EXPECT_EQ(dir_.read("dset-000.txt"),
              "<root>\r\n<h003>\r\n</h003>\r\n<h005>\r\n</h005>\r\n<h083>\r\n</h083>\r\n</root>\r\n");
}

TEST_F(DataSetFiles, ValueTextInTheMainUnitsForm) {
    LineTable::Line line;
    auto make = [&line](const std::string& key, const std::string& text) {
        line.fill(' ');
        std::copy(key.begin(), key.end(), line.begin());
        std::copy(text.begin(), text.end(), line.begin() + kDataSetTextColumn);
        line[kDataSetTextColumn + text.size()] = '\0';
        return line;
    };
    EXPECT_EQ(dataSetValueText(make("*120#", "120=1c"), false), "1,");
    EXPECT_EQ(dataSetValueText(make("*9112101#11#", "9112=101,1,1-0c"), false), "101@1@1@0,");
    EXPECT_EQ(dataSetValueText(make("*009101#", "009=101-1,2,3,4c"), false), "101@1@2@3@4,");
    EXPECT_EQ(dataSetValueText(make("*9419101#", "9419=101-05c"), false), "101@05,");
    EXPECT_EQ(dataSetValueText(make("*9419101#", "9419=101-05c"), true), "101s@05,");
    EXPECT_EQ(dataSetValueText(make("*9112101#11#", "9112=101,1,1-0c"), true), "101@1@1@0,");
    EXPECT_FALSE(dataSetValueText(make("*120#", "120="), false)); // nothing shown: 20 characters only
    EXPECT_FALSE(dataSetValueText(make("*00300#", "003=00-1c"), false));
    EXPECT_FALSE(dataSetValueText(make("*120#", "--P"), false));
}

TEST_F(DataSetFiles, ADirectoryThatCannotBeWrittenGivesZero) {
    putLine(*table_, 0, "*9335#", "9335=05c");
    EXPECT_EQ(writeDataSetFilesFromTable(9, (dir_.path() / "missing").string(), *table_, false), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "missing"));
}

TEST_F(DataSetFiles, ProgressStepsAreSentToTheFileWindow) {
    rk::platform::ProgressRegistry registry;
    EXPECT_EQ(writeDataSetFiles(workspace_, &registry, 9, dir_.str(), false),
              1); // no window: nothing happens
    rk::testing::ProgressRecorder window(registry, rk::platform::fileProgressTitle());
    EXPECT_EQ(writeDataSetFiles(workspace_, nullptr, 9, dir_.str(), false), 1);
    EXPECT_TRUE(window.posts().empty());
    EXPECT_EQ(writeDataSetFiles(workspace_, &registry, 9, dir_.str(), false), 1);
    EXPECT_EQ(window.posts(), (std::vector<std::pair<int, std::int64_t>>{{1128, 0}, {1128, 0}}));
}

// The factory image, group by group in order, yields the whole family, each file a complete root.
TEST_F(DataSetFiles, TheFactoryImageWritesTheWholeFamily) {
    for (int group = 0; group < kDataSetGroupCount; ++group)
        EXPECT_EQ(writeDataSetFiles(workspace_, nullptr, group, dir_.str(), false), 1) << group;
    const std::set<std::string> expected = {
        "dset-000.txt",   "dset-100.txt",   "dset-180-1.txt", "dset-180-2.txt", "dset-181.txt",
        "dset-300.txt",   "dset-310-1.txt", "dset-310-2.txt", "dset-311-1.txt", "dset-311-2.txt",
        "dset-312-1.txt", "dset-312-2.txt", "dset-312-3.txt", "dset-312-4.txt", "dset-313-1.txt",
        "dset-313-2.txt", "dset-313-3.txt", "dset-313-4.txt", "dset-314.txt",   "dset-366-1.txt",
        "dset-366-2.txt", "dset-366-3.txt", "dset-366-4.txt", "dset-500.txt",   "dset-600.txt",
        "dset-600-1.txt", "dset-700.txt",   "dset-800.txt",   "dset-9100.txt",  "dset-9300.txt"};
    EXPECT_EQ(filesIn(dir_.path()), expected);
    for (const std::string& name : expected) EXPECT_TRUE(isCompleteRoot(dir_.read(name))) << name;

    const std::string group0 = dir_.read("dset-000.txt");
    EXPECT_NE(group0.find("\r\n739@000,\r\n"), std::string::npos);
    EXPECT_NE(group0.find("\r\n999@000,\r\n</h082>\r\n<h081>\r\n99@0,\r\n"), std::string::npos);
    EXPECT_NE(dir_.read("dset-100.txt").find("<h120>\r\n1\r\n</h120>\r\n"), std::string::npos);
    const std::string group8 = dir_.read("dset-800.txt");
    EXPECT_NE(group8.find("</h820>\r\n" + telephoneResetBlock() + "<h830>\r\n"), std::string::npos);
    EXPECT_NE(group8.find("</h830>\r\n<h831>\r\n101@000,\r\n"), std::string::npos);
    // The split of slot table 312 falls after extension 378 of slots 24, 48 and 72.
    const std::string quarter = dir_.read("dset-312-2.txt");
    EXPECT_EQ(quarter.substr(0, 30), "<root>\r\n<h312>\r\n331@25@0,\r\n332");
    EXPECT_NE(quarter.find("\r\n378@48@0,\r\n</h312>\r\n</root>\r\n"), std::string::npos);
}

TEST_F(DataSetFiles, ValuesStoredByCommandsAppearInTheFiles) {
    auto& image = workspace_.image();
    rk::image::executeCommandString(image, 1, "*1202#");
    rk::image::executeCommandString(image, 1, "*9419123#42#");
    rk::image::executeCommandString(image, 1, "*08002#");
    ASSERT_EQ(writeDataSetFiles(workspace_, nullptr, 9, dir_.str(), true), 1);
    EXPECT_NE(dir_.read("dset-9300.txt").find("\r\n123s@42,\r\n"), std::string::npos);
    ASSERT_EQ(writeDataSetFiles(workspace_, nullptr, 1, dir_.str(), false), 1);
    EXPECT_NE(dir_.read("dset-100.txt").find("<h120>\r\n2\r\n</h120>"), std::string::npos);
    ASSERT_EQ(writeDataSetFiles(workspace_, nullptr, 0, dir_.str(), false), 1);
    EXPECT_NE(dir_.read("dset-000.txt").find("\r\n999@00,\r\n</h082>"), std::string::npos);
}

TEST(DataSetLines, EveryGroupFitsTheLineTable) {
    auto table = std::make_unique<LineTable>();
    auto image = std::make_unique<rk::image::DataImage>();
    rk::image::initialiseImage(*image);
    for (int group = 0; group < kDataSetGroupCount; ++group) {
        const auto lines = fillDataSetLines(*image, group, *table);
        ASSERT_TRUE(lines.has_value()) << group;
        EXPECT_GT(*lines, 0u) << group;
        EXPECT_LE(*lines, LineTable::kLineCount);
        EXPECT_EQ((*table->line(*lines))[0], ' ') << "the table ends with a blank line";
    }
    EXPECT_FALSE(fillDataSetLines(*image, 10, *table).has_value());
    EXPECT_FALSE(fillDataSetLines(*image, -1, *table).has_value());
    // A line: the key from column 0, the console text from column 16 with a zero byte after it.
    fillDataSetLines(*image, 9, *table);
    const std::string first(table->line(0)->data(), 26);
    EXPECT_EQ(first, std::string("*910000#        9100=00-0c"));
    EXPECT_EQ((*table->line(0))[26], '\0');
}

TEST(DataSetCli, ExecAndDatasetSubcommands) {
    const std::string cli = RKDIAL_CLI_PATH;
    auto result = rk::testing::runCommand(cli + " exec '*120#' '*1202#' '*120#' '*1203#' 2>&1");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "120=1c\n120=2P\n120=2c\n--P\n");
    result = rk::testing::runCommand(cli + " exec --memory 990 '*120#' 2>&1");
    EXPECT_EQ(result.output, "120=2c\n");
    rk::testing::TempDir dir;
    result = rk::testing::runCommand(cli + " dataset --group 9 --dir '" + dir.str() + "' 2>&1");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"dset-9100.txt", "dset-9300.txt"}));
    result = rk::testing::runCommand(cli + " dataset --group 12 --dir '" + dir.str() + "' 2>&1");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.output.rfind(
                  "rkdial-cli dataset: --group: must be a data-set group from 0 to 9, not \"12\"\n", 0),
              0u)
        << result.output;
    result = rk::testing::runCommand(cli + " dataset --group 9 --dir '" + dir.str() + "/none' 2>&1");
    EXPECT_EQ(result.status, 1);
}

} // namespace
