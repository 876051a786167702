#include "cli/file_steps.h"

#include "phonebook/edit_steps.h"
#include "phonebook/phonebook_file.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace rk::cli {
namespace {

const platform::Owner kOwner{nullptr, "CFileSelectDlg"};

// The path of the command line is the operator's one choice: asked again after a refusal, the
// command line has no other and cancels.
phonebook::FileChooser once(const std::string& path) {
    return [path, asked = false]() mutable -> std::optional<std::filesystem::path> {
        if (asked) return std::nullopt;
        asked = true;
        return std::filesystem::path(path);
    };
}

} // namespace

void tellNotPhonebook(const std::string& path, int kind, const phonebook::LoadFinding& finding) {
    std::fprintf(stderr, "rkdial-cli: %s is no %s phonebook file: line %d: %s\n", path.c_str(),
                 kind == phonebook::kMyPhonebookFile ? "my" : "common", finding.line, finding.reason.c_str());
}

bool loadOperatorFile(Context& context, const std::string& path, int kind, phonebook::LoadReport& report,
                      phonebook::NonPhonebookFile nonPhonebook) {
    // A file that would store nothing is never taken for an empty phonebook, which would then be
    // saved or sent in place of the real one.
    const phonebook::FileStepResult result =
        phonebook::loadPhonebookFromFile(context.workspace, context.seam.ui, kOwner, kind, once(path),
                                         phonebook::blockingRunner(context.workspace), &report, nonPhonebook);
    report.finish();
    if (result == phonebook::FileStepResult::NotPhonebook && report.notPhonebook() != nullptr)
        tellNotPhonebook(path, kind, *report.notPhonebook());
    return result == phonebook::FileStepResult::Done;
}

bool loadOperatorFile(Context& context, const std::string& path, int kind) {
    phonebook::LoadReport report(context.workspace, kind);
    if (!loadOperatorFile(context, path, kind, report)) return false;
    if (!report.empty())
        std::fprintf(stderr, "rkdial-cli: %s: %s (rkdial-cli check shows each finding)\n", path.c_str(),
                     report.summaryText().c_str());
    return true;
}

bool sameFile(const std::string& first, const std::string& second) {
    const auto resolved = [](const std::string& path) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        if (error) return std::filesystem::path(path);
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, error);
        return error ? absolute.lexically_normal() : canonical;
    };
    return !first.empty() && !second.empty() && resolved(first) == resolved(second);
}

bool saveOperatorFile(Context& context, const std::string& path, int kind) {
    return phonebook::savePhonebookToFile(context.workspace, context.seam, kOwner, kind, once(path),
                                          phonebook::blockingRunner(context.workspace)) ==
           phonebook::FileStepResult::Done;
}

} // namespace rk::cli
