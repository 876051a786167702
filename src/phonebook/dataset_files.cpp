#include "phonebook/dataset_files.h"

#include "image/command_engine.h"
#include "image/command_handlers.h"
#include "image/command_table.h"
#include "platform/file_writer.h"
#include "platform/progress.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace rk::phonebook {
namespace {

// The console the generator types on, apart from the ones operators and pages use.
constexpr int kGeneratorConsole = static_cast<int>(image::kConsoleCount);

struct CommandRange {
    int first;
    int last;
};

constexpr std::array<CommandRange, kDataSetGroupCount> kGroupCommands = {{
    {0, 99},
    {100, 199},
    {300, 312},
    {313, 313},
    {314, 499},
    {500, 599},
    {600, 699},
    {700, 799},
    {800, 899},
    {9000, 9999},
}};

// ---- the file family ----------------------------------------------------------------------

struct AfterSwitch {
    std::string_view command; // when this command's block is closed ...
    std::string_view file;    // ... the next file begins
};

struct MarkerSwitch {
    std::string_view marker; // a line beginning like this inside a block ...
    std::string_view file;   // ... ends the file; the block goes on in this one
};

struct Family {
    std::string_view first;
    std::span<const AfterSwitch> afters;
    std::span<const MarkerSwitch> markers;
};

constexpr std::array<AfterSwitch, 2> kAfters1 = {{{"168", "dset-180-1.txt"}, {"180", "dset-181.txt"}}};
constexpr std::array<MarkerSwitch, 1> kMarkers1 = {{{"*180200#48", "dset-180-2.txt"}}};

constexpr std::array<AfterSwitch, 6> kAfters3xx = {{{"305", "dset-310-1.txt"},
                                                    {"310", "dset-311-1.txt"},
                                                    {"311", "dset-312-1.txt"},
                                                    {"312", "dset-313-1.txt"},
                                                    {"313", "dset-314.txt"},
                                                    {"365", "dset-366-1.txt"}}};
constexpr std::array<MarkerSwitch, 11> kMarkers3xx = {{
    {"*310378#24", "dset-310-2.txt"},
    {"*311378#24", "dset-311-2.txt"},
    {"*312378#24", "dset-312-2.txt"},
    {"*312378#48", "dset-312-3.txt"},
    {"*312378#72", "dset-312-4.txt"},
    {"*313378#24", "dset-313-2.txt"},
    {"*313378#48", "dset-313-3.txt"},
    {"*313378#72", "dset-313-4.txt"},
    {"*366378#24", "dset-366-2.txt"},
    {"*366378#48", "dset-366-3.txt"},
    {"*366378#72", "dset-366-4.txt"},
}};

constexpr std::array<AfterSwitch, 1> kAfters6 = {{{"642", "dset-600-1.txt"}}};
constexpr std::array<AfterSwitch, 1> kAfters9 = {{{"9141", "dset-9300.txt"}}};

constexpr std::array<Family, kDataSetGroupCount> kFamilies = {{
    {"dset-000.txt", {}, {}},
    {"dset-100.txt", kAfters1, kMarkers1},
    {"dset-300.txt", kAfters3xx, kMarkers3xx},
    {"dset-313-1.txt", kAfters3xx, kMarkers3xx},
    {"dset-314.txt", kAfters3xx, kMarkers3xx},
    {"dset-500.txt", {}, {}},
    {"dset-600.txt", kAfters6, {}},
    {"dset-700.txt", {}, {}},
    {"dset-800.txt", {}, {}},
    {"dset-9100.txt", kAfters9, {}},
}};

// ---- command lines ------------------------------------------------------------------------

bool isBlankLine(const LineTable::Line* line) {
    return line == nullptr || (*line)[0] == ' ';
}

std::string_view commandOf(const LineTable::Line& line, std::size_t digits) {
    return {line.data() + 1, digits};
}

// The line up to its first zero byte, trailing blanks left off.
std::string_view lineText(const LineTable::Line& line) {
    std::size_t length = strnlen(line.data(), line.size());
    while (length > 0 && line[length - 1] == ' ') --length;
    return {line.data(), length};
}

// The extension numbers of the h082 block.
constexpr std::array<std::array<int, 2>, 5> kExtensionRanges = {
    {{101, 200}, {301, 378}, {601, 616}, {700, 727}, {739, 798}}};

std::string extensionListBlock(int digitCount) {
    const std::string zeros(static_cast<std::size_t>(digitCount), '0');
    std::string block = "<h082>\r\n";
    char line[32];
    for (const auto& range : kExtensionRanges) {
        for (int number = range[0]; number <= range[1]; ++number) {
            std::snprintf(line, sizeof line, "%d@%s,\r\n", number, zeros.c_str());
            block += line;
        }
    }
    block += "999@" + zeros + ",\r\n</h082>\r\n";
    return block;
}

std::string telephoneResetBlock() {
    std::string block = "<h831>\r\n";
    char line[16];
    for (int number = 101; number <= 200; ++number) {
        if (number >= 149 && number <= 152) continue; // not telephones
        std::snprintf(line, sizeof line, "%03d@000,\r\n", number);
        block += line;
    }
    return block + "</h831>\r\n";
}

// The digit count that command 080 gives for the numbers beginning with 0 (value digit at
// column 22 of the line whose address digit at column 20 is "0"). Three when there is none.
constexpr int kDefaultDigitCount = 3;

int digitCountOf(const LineTable::Line& line) {
    if (line[20] != '0') return 0;
    const char digit = line[22];
    return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

// The output of one group: the current file and the block being written.
class FamilyWriter {
public:
    FamilyWriter(std::string directory, const Family& family)
        : directory_(std::move(directory)), family_(family) {}

    bool begin() { return openFile(family_.first) && write("<root>\r\n"); }

    bool finish() {
        if (!closeBlock() || !write("</root>\r\n")) return false;
        return out_.commit();
    }

    // One command line of the table.
    bool take(const LineTable::Line& line, std::string_view command, bool blockContinues, bool valueFormat) {
        if (command != block_) {
            if (!closeBlock() || !openBlock(command)) return false;
        }
        if (command == "080") {
            if (const int count = digitCountOf(line); count != 0) digitCount_ = count;
        }
        ++blockLines_;
        if (auto value = dataSetValueText(line, valueFormat)) values_.push_back(std::move(*value));
        if (!blockContinues) return true;
        const std::string_view text = lineText(line);
        for (const MarkerSwitch& marker : family_.markers) {
            if (text.substr(0, marker.marker.size()) != marker.marker) continue;
            // The block goes on in the next file.
            const std::string reopen = "<h" + block_ + ">\r\n";
            return writeValues(false) && write("</h" + block_ + ">\r\n</root>\r\n") && out_.commit() &&
                   openFile(marker.file) && write("<root>\r\n" + reopen);
        }
        return true;
    }

private:
    bool openBlock(std::string_view command) {
        if (command == "081" && !write(extensionListBlock(digitCount_))) return false;
        if (command == "830" && !write(telephoneResetBlock())) return false;
        block_ = std::string(command);
        blockLines_ = 0;
        return write("<h" + block_ + ">\r\n");
    }

    bool closeBlock() {
        if (block_.empty()) return true;
        if (!writeValues(blockLines_ == 1) || !write("</h" + block_ + ">\r\n")) return false;
        const std::string closed = std::exchange(block_, std::string());
        for (const AfterSwitch& after : family_.afters) {
            if (after.command != closed) continue;
            return write("</root>\r\n") && out_.commit() && openFile(after.file) && write("<root>\r\n");
        }
        return true;
    }

    // A block of a single record carries its value without the closing comma.
    bool writeValues(bool singleRecordBlock) {
        if (singleRecordBlock && values_.size() == 1 && !values_.front().empty() &&
            values_.front().back() == ',')
            values_.front().pop_back();
        for (const std::string& value : values_)
            if (!write(value + "\r\n")) return false;
        values_.clear();
        return true;
    }

    bool openFile(std::string_view name) {
        return out_.open(std::filesystem::path(directory_) / std::string(name));
    }
    bool write(std::string_view bytes) { return out_.write(bytes); }

    std::string directory_;
    const Family& family_;
    platform::FileWriter out_;
    std::string block_;
    std::size_t blockLines_ = 0;
    std::vector<std::string> values_;
    int digitCount_ = kDefaultDigitCount;
};

} // namespace

std::optional<std::size_t> fillDataSetLines(image::DataImage& image, int group, LineTable& table) {
    table.clear();
    if (group < 0 || group >= kDataSetGroupCount) return std::nullopt;
    const CommandRange range = kGroupCommands[static_cast<std::size_t>(group)];
    std::size_t next = 0;
    bool overflow = false;
    for (const image::ItemDefinition& item : image::definedItems()) {
        if (item.command < range.first || item.command > range.last) continue;
        const image::CommandRow& row = image::rowOf(item.command);
        image::forEachAddress(row, [&](const image::AddressValues& address) {
            if (next >= LineTable::kLineCount) {
                overflow = true;
                return;
            }
            const std::string key = image::showCommandText(item.command, row, address);
            const auto text = image::executeCommandString(image, kGeneratorConsole, key);
            const std::string shown = text.value_or("--P");
            table.put(next, 0, key.substr(0, kDataSetTextColumn));
            table.put(next, kDataSetTextColumn, shown);
            table.putByte(next, kDataSetTextColumn + shown.size(), '\0');
            ++next;
        });
    }
    if (overflow) {
        table.clear();
        return std::nullopt;
    }
    return next;
}

std::optional<std::string> dataSetValueText(const LineTable::Line& line, bool valueFormat) {
    if (strnlen(line.data(), 50) <= 20) return std::nullopt;
    const bool fourDigits = line[1] == '9';
    const std::string_view command = commandOf(line, fourDigits ? 4 : 3);
    if (command == "003") return std::nullopt;
    const std::string_view whole = lineText(line);
    if (whole.size() <= kDataSetTextColumn) return std::nullopt;
    const std::string_view text = whole.substr(kDataSetTextColumn);
    if (text.substr(0, 3) == "--P") return std::nullopt;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    std::string_view fields = text.substr(equals + 1);
    if (!fields.empty() && fields.back() == 'c') fields.remove_suffix(1); // the "shown" mark
    std::string value;
    for (char c : fields) value += (c == '-' || c == ',') ? '@' : c;
    value += ',';
    // The newer form of command 9419 marks the end of its station field with "s".
    if (command == "9419" && valueFormat) {
        if (const std::size_t at = value.find('@'); at != std::string::npos) value.insert(at, 1, 's');
    }
    // Command 081 entry 00 carries the table of the one- and two-digit codes in front.
    if (command == "081" && line[20] == '0' && line[21] == '0') {
        std::string codes;
        char code[16];
        for (int i = 0; i <= 9; ++i) {
            std::snprintf(code, sizeof code, "99@%d,\r\n", i);
            codes += code;
        }
        for (int i = 0; i <= 99; ++i) {
            std::snprintf(code, sizeof code, "99@%02d,\r\n", i);
            codes += code;
        }
        value.insert(0, codes);
    }
    return value;
}

int writeDataSetFilesFromTable(int group, const std::string& directory, const LineTable& table,
                               bool valueFormat) {
    if (group < 0 || group >= kDataSetGroupCount || isBlankLine(table.line(0))) return 0;
    const std::size_t digits = group == 9 ? 4 : 3;
    FamilyWriter writer(directory, kFamilies[static_cast<std::size_t>(group)]);
    if (!writer.begin()) return 0;
    for (std::size_t index = 0; index < LineTable::kLineCount; ++index) {
        const LineTable::Line* line = table.line(index);
        if (isBlankLine(line)) break;
        const LineTable::Line* next = table.line(index + 1);
        const std::string_view command = commandOf(*line, digits);
        const bool continues = !isBlankLine(next) && commandOf(*next, digits) == command;
        if (!writer.take(*line, command, continues, valueFormat)) return 0;
    }
    return writer.finish() ? 1 : 0;
}

int writeDataSetFiles(Workspace& workspace, platform::ProgressRegistry* progress, int group,
                      const std::string& directory, bool valueFormat) {
    const std::string& title = platform::fileProgressTitle();
    if (progress != nullptr) progress->post(title, platform::WM_PRG_STEP, 0);
    LineTable& table = workspace.lineTable();
    const auto lines = fillDataSetLines(workspace.image(), group, table);
    if (progress != nullptr) progress->post(title, platform::WM_PRG_STEP, 0);
    if (!lines || *lines == 0) return 0;
    return writeDataSetFilesFromTable(group, directory, table, valueFormat);
}

} // namespace rk::phonebook
