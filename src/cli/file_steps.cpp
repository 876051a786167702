#include "cli/file_steps.h"

#include "phonebook/edit_steps.h"

#include <cstdio>
#include <filesystem>
#include <optional>

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

bool loadOperatorFile(Context& context, const std::string& path, int kind, phonebook::LoadReport& report) {
    const bool loaded =
        phonebook::loadPhonebookFromFile(context.workspace, context.seam.ui, kOwner, kind, once(path),
                                         phonebook::blockingRunner(context.workspace),
                                         &report) == phonebook::FileStepResult::Done;
    report.finish();
    return loaded;
}

bool loadOperatorFile(Context& context, const std::string& path, int kind) {
    phonebook::LoadReport report(context.workspace, kind);
    if (!loadOperatorFile(context, path, kind, report)) return false;
    if (!report.empty())
        std::fprintf(stderr, "rkdial-cli: %s: %s (rkdial-cli check shows each finding)\n", path.c_str(),
                     report.summaryText().c_str());
    return true;
}

bool saveOperatorFile(Context& context, const std::string& path, int kind) {
    return phonebook::savePhonebookToFile(context.workspace, context.seam, kOwner, kind, once(path),
                                          phonebook::blockingRunner(context.workspace)) ==
           phonebook::FileStepResult::Done;
}

} // namespace rk::cli
