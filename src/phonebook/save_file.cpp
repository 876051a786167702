#include "phonebook/save_file.h"

#include "phonebook/phonebook_file.h"

#include <system_error>

namespace rk::phonebook {

void setPhonebookFilePath(Workspace& workspace, const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) absolute = path;
    PhonebookFileSettings& settings = workspace.fileSettings();
    settings.phoneFileName = absolute.filename().string();
    std::string directory = absolute.parent_path().string();
    if (directory.empty() || directory.back() != '/') directory += '/';
    settings.phoneDir = directory;
}

std::uintmax_t saveSpaceEstimate(int kind, int memoryCount) {
    if (kind == kMyPhonebookFile) return memoryCount <= 10 ? 2000 : 4000;
    if (memoryCount <= 80) return 2000;
    return memoryCount <= 600 ? 7000 : 12000;
}

} // namespace rk::phonebook
