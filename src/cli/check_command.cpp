// rkdial-cli check: loads a phonebook file as the file window's load does and tells everything
// the load stored otherwise than the file says, and, against a reference, what looks like a
// spreadsheet's damage.
#include "cli/commands.h"
#include "cli/file_steps.h"
#include "cli/options.h"

#include "image/data_image.h"
#include "phonebook/load_report.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/save_file.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace rk::cli {
namespace {

constexpr const char* kCheckHelp =
    "Usage: rkdial-cli check --kind common|my [--memory 600|990] FILE [--against REFERENCE] [--json]\n"
    "\n"
    "Loads FILE as the file window's load does (in a fresh image with the given memory count,\n"
    "default 600) and prints one line per finding: every line the load skips, every field it\n"
    "stores otherwise than the file says, every memory it clears on its own. Then a summary.\n"
    "A file saved as \"CSV UTF-8\" (with the byte-order mark) is converted to Shift-JIS first.\n"
    "\n"
    "  --against REFERENCE  a phonebook file or a snapshot folder (sys-tan.txt, tel-tan.txt) the\n"
    "                       file was made from: marks what a spreadsheet does as suspect (leading\n"
    "                       zeros lost, exponent form, full-width digits, rows gone, names that\n"
    "                       differ only in character width)\n"
    "  --json               the findings as a JSON array of objects with the keys line, memory,\n"
    "                       field, value, stored, action and reason; no summary\n"
    "\n"
    "Exit status: 0 when the file loads exactly as written (and nothing is suspect), 1 otherwise,\n"
    "2 when a file cannot be read.\n";

constexpr int kExact = 0;
constexpr int kFindings = 1;
constexpr int kUnreadable = 2;

// Catches the column header of a load, to tell the main unit's column order from the PC's.
class ColumnHeaderProbe : public phonebook::LoadObserver {
public:
    void columnHeader(std::string_view text, std::string_view) override { header = std::string(text); }
    std::string header;
};

// A reference: a phonebook file, or a snapshot folder (its sys-tan.txt or tel-tan.txt). Either
// column order is taken from the file's own column header: snapshots and save files have the
// kana name first, a work directory's sys-tan.txt as the main unit sent it the kanji name.
bool loadReference(Context& context, Workspace& reference, const std::string& path, int kind) {
    std::error_code error;
    std::filesystem::path file = path;
    if (std::filesystem::is_directory(file, error))
        file /= kind == phonebook::kMyPhonebookFile ? "tel-tan.txt" : "sys-tan.txt";
    ColumnHeaderProbe probe;
    reference.fileSettings().unitOrderFlag = 0;
    phonebook::setPhonebookFilePath(reference, file);
    if (phonebook::readPhonebookFile(reference, context.seam.ui, kind, &probe) != phonebook::kFileDone)
        return false;
    if (kind != phonebook::kMyPhonebookFile && probe.header == phonebook::commonColumnHeader(1)) {
        const int mode = reference.image().memoryMode;
        phonebook::clearSystemBook(reference, mode);
        reference.fileSettings().unitOrderFlag = 1;
        return phonebook::readPhonebookFile(reference, context.seam.ui, kind) == phonebook::kFileDone;
    }
    return true;
}

// A value in double quotes, escaped as JSON escapes it (also how the text lines quote values).
std::string quoted(const std::string& utf8) {
    return nlohmann::json(utf8).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A reason in a text line: control characters of quoted file contents escaped as in JSON, quotes
// and backslashes as they are.
std::string plain(const std::string& utf8) {
    const std::string text = quoted(utf8);
    std::string result;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
        result += text[i];
    }
    return result;
}

void printText(const phonebook::LoadReport& report) {
    for (const phonebook::LoadFinding& finding : report.findings()) {
        const std::string memory = phonebook::memoryLabel(finding);
        std::printf("line %s, memory %s, %s %s: %s, stored %s: %s\n",
                    finding.line > 0 ? std::to_string(finding.line).c_str() : "-",
                    memory.empty() ? "-" : memory.c_str(),
                    std::string(phonebook::fieldName(finding.field)).c_str(), quoted(finding.value).c_str(),
                    std::string(phonebook::actionName(finding.action)).c_str(),
                    quoted(finding.stored).c_str(), plain(finding.reason).c_str());
    }
    std::printf("%s\n", report.summaryText().c_str());
}

// One finding per line: ", " between the members and ": " after each key, as a person reads it.
void printJson(const phonebook::LoadReport& report) {
    const auto& findings = report.findings();
    if (findings.empty()) {
        std::printf("[]\n");
        return;
    }
    std::printf("[\n");
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const phonebook::LoadFinding& finding = findings[i];
        const std::string memory = phonebook::memoryLabel(finding);
        const nlohmann::ordered_json object = {
            {"line", finding.line > 0 ? nlohmann::ordered_json(finding.line) : nlohmann::ordered_json()},
            {"memory", memory.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(memory)},
            {"field", phonebook::fieldName(finding.field)},
            {"value", finding.value},
            {"stored", finding.stored},
            {"action", phonebook::actionName(finding.action)},
            {"reason", finding.reason},
        };
        std::string line;
        for (const auto& [key, value] : object.items()) {
            line += line.empty() ? "{" : ", ";
            line += quoted(key) + ": " + value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        }
        std::printf("  %s}%s\n", line.c_str(), i + 1 < findings.size() ? "," : "");
    }
    std::printf("]\n");
}

} // namespace

int runCheck(Context& context, Arguments arguments) {
    CommandLine line("check", kCheckHelp);
    int kind = 0;
    int memoryMode = 1;
    std::string file;
    std::string reference;
    bool json = false;
    addKindOption(line.app(), kind)->required();
    addMemoryOption(line.app(), memoryMode);
    line.app().add_option("FILE", file, "the phonebook file to check")->required();
    line.value("--against", reference, "the file or snapshot FILE was made from");
    line.app().add_flag("--json", json, "the findings as JSON");
    if (const std::optional<int> status = line.parse(arguments)) return *status;

    context.workspace.image().memoryMode = static_cast<std::uint8_t>(memoryMode);
    phonebook::LoadReport report(context.workspace, kind);
    // A file that is no phonebook file is loaded all the same: the report says why it stores nothing.
    if (!loadOperatorFile(context, file, kind, report, phonebook::NonPhonebookFile::Load)) return kUnreadable;
    if (!reference.empty()) {
        Workspace referenceBook;
        referenceBook.image().memoryMode = static_cast<std::uint8_t>(memoryMode);
        if (!loadReference(context, referenceBook, reference, kind)) {
            std::fprintf(stderr, "rkdial-cli check: cannot read the reference %s\n", reference.c_str());
            return kUnreadable;
        }
        report.compareWith(referenceBook);
    }
    if (json)
        printJson(report);
    else
        printText(report);
    return report.empty() ? kExact : kFindings;
}

} // namespace rk::cli
