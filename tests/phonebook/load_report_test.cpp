// The load report: rkdial-cli check on hand-written damaged files against the reports written
// for them, files in UTF-8, and the summary that convert and write show.
#include "phonebook/load_report.h"
#include "phonebook/save_file.h"
#include "phonebook_file_fixture.h"
#include "support/ports.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace rk::testing {
namespace {

const std::string kCli = RKDIAL_CLI_PATH;

std::filesystem::path reportData(const std::string& name) {
    return std::filesystem::path(RKDIAL_TEST_DATA) / "load_report" / name;
}

std::string shellQuoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string lastLine(const std::string& text) {
    const std::size_t start = text.rfind('\n', text.size() - 2);
    return text.substr(start == std::string::npos ? 0 : start + 1);
}

class loadReportCli : public ::testing::Test {
protected:
    TempDirectory folder;

    // stdout only: the report.
    ProcessResult check(const std::string& arguments) {
        return runCommand(kCli + " check " + arguments + " 2>/dev/null");
    }
};

TEST_F(loadReportCli, DamagedFilesGiveTheReportsWrittenForThem) {
    // A snapshot of a read keeps sys-tan.txt as the main unit sends it, kanji name first.
    std::filesystem::create_directories(folder / "snapshot");
    std::filesystem::copy_file(golden("sys-tan.txt"), folder / "snapshot" / "sys-tan.txt");
    const std::string original = shellQuoted(golden("common_kana_first.rkdat"));
    struct Case {
        std::string arguments;
        const char* expected;
        const char* summary;
    };
    const Case cases[] = {
        {"--kind common " + shellQuoted(reportData("common_damaged.rkdat")), "common_damaged.json",
         "596 memories stored, 14 changed by the load, 6 lines not stored\n"},
        {"--kind my --memory 990 " + shellQuoted(reportData("my_damaged.rkdat")), "my_damaged.json",
         "11 memories stored, 11 changed by the load, 3 lines not stored\n"},
        {"--kind common --memory 990 " + shellQuoted(reportData("spreadsheet_copy.csv")) + " --against " +
             original,
         "spreadsheet_copy.json",
         "989 memories stored, 3 changed by the load, 0 lines not stored, 6 suspect\n"},
        {"--kind common --memory 990 --against " + shellQuoted(folder / "snapshot") + " " +
             shellQuoted(reportData("spreadsheet_copy.csv")),
         "spreadsheet_copy.json",
         "989 memories stored, 3 changed by the load, 0 lines not stored, 6 suspect\n"},
        {"--kind common " + shellQuoted(reportData("moved_rows.csv")) + " --against " +
             shellQuoted(reportData("moved_reference.rkdat")),
         "moved_rows.json", "598 memories stored, 0 changed by the load, 0 lines not stored, 7 suspect\n"},
    };
    for (const Case& test : cases) {
        const ProcessResult json = check(test.arguments + " --json");
        EXPECT_EQ(json.status, 1) << test.arguments;
        EXPECT_EQ(json.output, readBytes(reportData(test.expected))) << test.arguments;
        // The text form: one line per finding, then the summary.
        const ProcessResult text = check(test.arguments);
        EXPECT_EQ(text.status, 1) << test.arguments;
        EXPECT_EQ(lineCount(text.output), lineCount(json.output) - 2 + 1) << text.output;
        EXPECT_EQ(lastLine(text.output), test.summary) << text.output;
    }
    // One finding in the text form, as the contract spells the fields.
    const ProcessResult text = check("--kind common " + shellQuoted(reportData("common_damaged.rkdat")));
    EXPECT_NE(text.output.find("line 13, memory 010, group \"08\": changed, stored \"01\": not a group 0-7: "
                               "taken as 1\n"),
              std::string::npos)
        << text.output;
}

TEST_F(loadReportCli, CleanFilesLoadExactlyAsWritten) {
    const std::string common = shellQuoted(golden("common_kana_first.rkdat"));
    const std::string cases[] = {
        "--kind common --memory 990 " + common,
        "--kind my " + shellQuoted(golden("my_phonebook.rkdat")),
        "--kind common --memory 990 " + shellQuoted(reportData("common_utf8.csv")),
        "--kind common --memory 990 " + common + " --against " + common,
        "--kind common " + shellQuoted(reportData("trailing_line.csv")),
    };
    for (const std::string& arguments : cases) {
        const ProcessResult json = check(arguments + " --json");
        EXPECT_EQ(json.status, 0) << arguments << json.output;
        EXPECT_EQ(json.output, "[]\n") << arguments;
        const ProcessResult text = check(arguments);
        EXPECT_EQ(text.status, 0) << arguments;
        EXPECT_EQ(lineCount(text.output), 1u) << text.output;
    }
}

TEST_F(loadReportCli, FilesThatCannotBeReadAndWrongUsageExitWith2) {
    const std::string common = shellQuoted(golden("common_kana_first.rkdat"));
    const ProcessResult missing =
        runCommand(kCli + " check --kind common " + shellQuoted(folder / "none.csv") + " 2>&1");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.output, " ファイルが見つかりません。再度ファイルを選択して下さい。\n");
    EXPECT_EQ(check("--kind common " + common + " --against " + shellQuoted(folder / "none.csv")).status, 2);
    EXPECT_EQ(check("--kind common " + common + " --against " + shellQuoted(folder.path())).status, 2)
        << "a folder without sys-tan.txt";
    EXPECT_EQ(check(common).status, 2) << "no kind";
    EXPECT_EQ(check("--kind both " + common).status, 2);
    EXPECT_EQ(check("--kind common --memory 500 " + common).status, 2);
    EXPECT_EQ(check("--kind common " + common + " " + common).status, 2) << "two files";
    const ProcessResult help = check("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: rkdial-cli check --kind common|my"), std::string::npos);
    EXPECT_NE(runCommand(kCli + " --help").output.find("check --kind common|my [--memory 600|990] FILE"),
              std::string::npos);
}

TEST_F(loadReportCli, ConvertAndWriteShowTheSummaryOfALoadThatChangedSomething) {
    const std::string damaged = reportData("common_damaged.rkdat").string();
    const std::string summary =
        "rkdial-cli: " + damaged +
        ": 596 memories stored, 14 changed by the load, 6 lines not stored (rkdial-cli "
        "check shows each finding)\n";
    const ProcessResult convert =
        runCommand(kCli + " convert --kind common --memory 600 --in " + shellQuoted(damaged) + " --out " +
                   shellQuoted(folder / "out.rkdat") + " 2>&1");
    EXPECT_EQ(convert.status, 0);
    EXPECT_EQ(convert.output, summary);

    // The write loads its files before it connects; the unit here refuses the connection.
    const RefusingPort unit;
    const ProcessResult write = runCommand(
        kCli + " write --host 127.0.0.1 --port " + std::to_string(unit.port()) + " --password 1234 --dir " +
        shellQuoted(folder / "pc") + " --common " + shellQuoted(damaged) + " --no-pauses 2>&1");
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.output.find(summary), 0u) << write.output;
}

class loadReportCore : public PhonebookFileTest {
protected:
    // Loads bytes as a file of a kind in 600 mode, with a report listening.
    phonebook::LoadReport parseReported(int kind, const std::string& file) {
        phonebook::LoadReport report(ws(), kind);
        phonebook::parsePhonebookFile(ws(), kind, file, 0, &report);
        report.finish();
        return report;
    }
};

TEST_F(loadReportCore, FilesThatStoreNothingSayWhy) {
    const std::string common = sjis("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n");
    const std::string mine = sjis("収容位置,短縮番号,電話番号,漢字名称,カナ名称\r\n");
    struct Case {
        int kind;
        std::string file;
        int line;
        std::string value;
        const char* reason;
    };
    const Case cases[] = {
        {1, sjis("短縮番号,電話番号\n000,0312,,,01\n"), 1, sjis("短縮番号,電話番号\n000,0312,,,01\n"),
         "no CR LF line end anywhere (lines must end with CR LF): nothing is stored"},
        {1, common + "001,0312,,,01\r\n", 2, "001,0312,,,01",
         "the first record line must begin with memory 000 (\"000\" or \"0,\"): nothing is stored"},
        {2, mine + "102,980,0312,,\r\n", 2, "102,980,0312,,",
         "the first record line must begin with position 101: nothing is stored"},
        // A spreadsheet wrote the time of the header line as a number: the 192 bytes taken as
        // the header reach into the records, and what is left does not start as it must.
        {1,
         "2.02403E+11,RK-L MAIN UNIT,SERIAL 0001\r\n" + common +
             "0,0312,,,1\r\n1,0313,,,1\r\n2,0314,,,1\r\n3,0315,,,1\r\n4,0316,,,1\r\n5,0317,,,1\r\n"
             "6,0318,,,1\r\n7,0319,,,1\r\n8,0320,,,1\r\n",
         1, "2.02403E+11,RK-L MAIN UNIT,SERIAL 0001",
         "the header line is not 192 bytes ending with CR LF: its first 192 bytes are taken as the header "
         "all "
         "the same, and what follows is read from there"},
    };
    for (const Case& test : cases) {
        storeSystem(0, "55");
        storeTelephone(101, 980, "66", "", "");
        const phonebook::LoadReport report = parseReported(test.kind, test.file);
        ASSERT_FALSE(report.empty()) << test.reason;
        const phonebook::LoadFinding& first = report.findings().front();
        EXPECT_EQ(first.line, test.line) << test.reason;
        EXPECT_EQ(first.value, text::cp932ToUtf8(test.value)) << test.reason;
        EXPECT_EQ(first.action, phonebook::FindingAction::Skipped);
        EXPECT_EQ(first.reason, test.reason);
        EXPECT_EQ(report.summary().stored, 0) << test.reason;
        EXPECT_EQ(system(0).numberText(), "55") << test.reason;
        EXPECT_EQ(telephone(101, 980).numberText(), "66") << test.reason;
    }
}

// A file longer than the load reads (1,920,000 bytes after the header line): the rest is named,
// whether the file is read from the disk or handed over as bytes, in Shift-JIS or in UTF-8.
TEST_F(loadReportCore, TheRestBeyondWhatTheLoadReadsIsNamed) {
    const std::string records = sjis("短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n") +
                                "000,0312345678,,,01\r\n001,0451112222,,,01\r\n";
    // One line that runs past the limit.
    const std::string shiftJis =
        records + std::string(phonebook::LineTable::kTotalBytes + 1000 - records.size(), 'x');
    const std::string reason =
        "the load reads the first 1920000 bytes after the header line only: the rest of the file is ignored";
    // The line in which the reading stops.
    const std::string read = shiftJis.substr(0, phonebook::LineTable::kTotalBytes);
    int stopLine = 1;
    for (std::size_t at = read.find("\r\n"); at != std::string::npos; at = read.find("\r\n", at + 2))
        ++stopLine;
    TempDirectory folder;
    writeBytes(folder / "long.csv", shiftJis);
    writeBytes(folder / "long-utf8.csv", "\xEF\xBB\xBF" + text::cp932ToUtf8(shiftJis));
    writeBytes(folder / "exact.csv", shiftJis.substr(0, phonebook::LineTable::kTotalBytes));
    for (const char* name : {"long.csv", "long-utf8.csv", "exact.csv"}) {
        phonebook::LoadReport fromDisk(ws(), 1);
        ASSERT_EQ(loadFile(folder / name, 1, &fromDisk), phonebook::FileStepResult::Done) << name;
        fromDisk.finish();
        const phonebook::LoadReport fromBytes = parseReported(1, readBytes(folder / name));
        for (const phonebook::LoadReport* report :
             {static_cast<const phonebook::LoadReport*>(&fromDisk), &fromBytes}) {
            const bool exact = std::string(name) == "exact.csv";
            const auto& findings = report->findings();
            const auto rest =
                std::find_if(findings.begin(), findings.end(),
                             [&](const phonebook::LoadFinding& found) { return found.reason == reason; });
            ASSERT_EQ(rest == findings.end(), exact) << name;
            if (exact) continue;
            EXPECT_EQ(rest->line, stopLine) << name;
            EXPECT_EQ(rest->action, phonebook::FindingAction::Skipped);
            EXPECT_EQ(report->summary().stored, 2) << name;
        }
        EXPECT_EQ(system(1).numberText(), "0451112222");
    }
}

TEST_F(loadReportCore, AUtf8FileLoadsToThePhonebookOfItsShiftJisTwin) {
    useMode990();
    Workspace twin;
    twin.image().memoryMode = 2;
    phonebook::clearSystemBook(twin, 2);
    ASSERT_EQ(loadFile(golden("common_kana_first.rkdat"), 1), phonebook::FileStepResult::Done);
    phonebook::setPhonebookFilePath(twin, reportData("common_utf8.csv"));
    ASSERT_EQ(phonebook::readPhonebookFile(twin, ui(), 1), 0);
    EXPECT_EQ(
        std::memcmp(img().workingCopy.data(), twin.image().workingCopy.data(), sizeof img().workingCopy), 0);
    for (std::size_t field = 0; field < 6; ++field) {
        const std::span<const char> shiftJis = headerLine().field(field);
        const std::span<const char> utf8 = twin.fileHeaderLine().field(field);
        EXPECT_TRUE(std::equal(shiftJis.begin(), shiftJis.end(), utf8.begin(), utf8.end())) << field;
    }
    EXPECT_EQ(system(5).kanjiText(), sjis("ＡＢＣ商事"));
}

TEST_F(loadReportCore, CharactersShiftJisCannotHoldBecomeBlanksEachReported) {
    const std::string file = "\xEF\xBB\xBF"
                             "短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n"
                             "0,0312,ｱé,Café😀,1\r\n"
                             "1,03\xE3\x81,,～,1\r\n";
    const phonebook::LoadReport report = parseReported(1, file);
    EXPECT_EQ(system(0).kanaText(), sjis("ｱ") + " ");
    EXPECT_EQ(system(0).kanjiText(), "Caf  ");
    EXPECT_EQ(system(1).numberText(), "03");
    EXPECT_EQ(system(1).kanjiText(), "\x81\x60") << "the wave dash of CP932";
    struct Expected {
        int line;
        int memory;
        phonebook::FindingField field;
        std::string value;
        std::string reason;
    };
    const Expected expected[] = {
        {2, 0, phonebook::FindingField::Kana, "é", "U+00E9 has no Shift-JIS form: a blank in its place"},
        {2, 0, phonebook::FindingField::Kanji, "é", "U+00E9 has no Shift-JIS form: a blank in its place"},
        {2, 0, phonebook::FindingField::Kanji, "😀", "U+1F600 has no Shift-JIS form: a blank in its place"},
        {3, 1, phonebook::FindingField::Number, "03 ", "characters other than 0-9 # * - M P dropped"},
        {3, 1, phonebook::FindingField::Number, "\xEF\xBF\xBD",
         "malformed UTF-8 (bytes E3 81): a blank in its place"},
    };
    ASSERT_EQ(report.findings().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const phonebook::LoadFinding& found = report.findings()[i];
        EXPECT_EQ(found.line, expected[i].line) << i;
        EXPECT_EQ(found.memory, expected[i].memory) << i;
        EXPECT_EQ(found.field, expected[i].field) << i;
        EXPECT_EQ(found.value, expected[i].value) << i;
        EXPECT_EQ(found.action, phonebook::FindingAction::Changed) << i;
        EXPECT_EQ(found.reason, expected[i].reason) << i;
    }
}

} // namespace
} // namespace rk::testing
