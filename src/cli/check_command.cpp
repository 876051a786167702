// rkdial-cli check: loads a phonebook file as the file window's load does and tells everything
// the load stored otherwise than the file says, and, against a reference, what looks like a
// spreadsheet's damage.
#include "cli/commands.h"
#include "cli/file_steps.h"

#include "image/data_image.h"
#include "phonebook/load_report.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/save_file.h"

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

struct CheckOptions {
    int kind = 0;
    int memoryMode = 1;
    std::string file;
    std::string reference;
    bool json = false;
};

std::optional<CheckOptions> parseOptions(Arguments arguments) {
    CheckOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--json") {
            options.json = true;
            continue;
        }
        if (!name.starts_with("--")) {
            if (!options.file.empty()) return std::nullopt;
            options.file = name;
            continue;
        }
        if (i + 1 >= arguments.size()) return std::nullopt;
        const std::string& value = arguments[++i];
        if (name == "--kind" && (value == "common" || value == "my")) {
            options.kind = value == "my" ? phonebook::kMyPhonebookFile : phonebook::kCommonPhonebookFile;
        } else if (name == "--memory" && (value == "600" || value == "990")) {
            options.memoryMode = value == "600" ? 1 : 2;
        } else if (name == "--against") {
            options.reference = value;
        } else {
            return std::nullopt;
        }
    }
    if (options.kind == 0 || options.file.empty()) return std::nullopt;
    return options;
}

// Catches the column header of a load, to tell the main unit's column order from the PC's.
class ColumnHeaderProbe : public phonebook::LoadObserver {
public:
    void columnHeader(std::string_view text, std::string_view) override { header = std::string(text); }
    std::string header;
};

// A reference: a phonebook file, or a snapshot of a transfer, which keeps the files as the main
// unit sent or received them (sys-tan.txt with the kanji name first). Either column order is
// taken from the file's own column header.
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

// A value as a JSON string (also how the text lines quote values).
std::string jsonString(std::string_view utf8) {
    std::string text = "\"";
    for (const char character : utf8) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '"' || character == '\\') {
            text += '\\';
            text += character;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            text += escape;
        } else {
            text += character;
        }
    }
    return text + "\"";
}

// A reason in a text line: control characters of quoted file contents escaped as in JSON.
std::string plain(std::string_view utf8) {
    const std::string text = jsonString(utf8);
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
        std::printf(
            "line %s, memory %s, %s %s: %s, stored %s: %s\n",
            finding.line > 0 ? std::to_string(finding.line).c_str() : "-",
            memory.empty() ? "-" : memory.c_str(), std::string(phonebook::fieldName(finding.field)).c_str(),
            jsonString(finding.value).c_str(), std::string(phonebook::actionName(finding.action)).c_str(),
            jsonString(finding.stored).c_str(), plain(finding.reason).c_str());
    }
    std::printf("%s\n", report.summaryText().c_str());
}

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
        std::printf("  {\"line\": %s, \"memory\": %s, \"field\": \"%s\", \"value\": %s, \"stored\": %s, "
                    "\"action\": \"%s\", \"reason\": %s}%s\n",
                    finding.line > 0 ? std::to_string(finding.line).c_str() : "null",
                    memory.empty() ? "null" : jsonString(memory).c_str(),
                    std::string(phonebook::fieldName(finding.field)).c_str(),
                    jsonString(finding.value).c_str(), jsonString(finding.stored).c_str(),
                    std::string(phonebook::actionName(finding.action)).c_str(),
                    jsonString(finding.reason).c_str(), i + 1 < findings.size() ? "," : "");
    }
    std::printf("]\n");
}

} // namespace

int runCheck(Context& context, Arguments arguments) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(kCheckHelp, stdout);
        return kExact;
    }
    const std::optional<CheckOptions> options = parseOptions(arguments);
    if (!options) {
        std::fputs(kCheckHelp, stderr);
        return kUnreadable;
    }
    context.workspace.image().memoryMode = static_cast<std::uint8_t>(options->memoryMode);
    phonebook::LoadReport report(context.workspace, options->kind);
    if (!loadOperatorFile(context, options->file, options->kind, report)) return kUnreadable;
    if (!options->reference.empty()) {
        Workspace reference;
        reference.image().memoryMode = static_cast<std::uint8_t>(options->memoryMode);
        if (!loadReference(context, reference, options->reference, options->kind)) {
            std::fprintf(stderr, "rkdial-cli check: cannot read the reference %s\n",
                         options->reference.c_str());
            return kUnreadable;
        }
        report.compareWith(reference);
    }
    if (options->json)
        printJson(report);
    else
        printText(report);
    return report.empty() ? kExact : kFindings;
}

} // namespace rk::cli
