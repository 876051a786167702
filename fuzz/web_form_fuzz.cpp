// Arbitrary bodies of a submitted edit page, decoded into the real phonebook stores. The first
// byte chooses the memory count (bit 0: 990) and the duplicate check (bit 1: on); the rest is
// the body. Checked after every body: the memory count is still one the engine accepts, every
// stored entry that changed in either copy is a well-formed record (names terminated within
// their 21 bytes, number bytes 12..24 zero, a group of 0..7), the duplicate report is sane,
// every key slot holds no more text than it has room for, and the pages' console is within its
// text.
#include "image/data_image.h"
#include "image/digit_codec.h"
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "web/dataset_fields.h"
#include "web/form_decoder.h"
#include "web/phonebook_access.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

rk::Workspace& workspace() {
    static rk::Workspace instance;
    return instance;
}

using namespace rk;

void check(bool condition) {
    if (!condition) std::abort();
}

struct Images {
    std::unique_ptr<image::DataImage> pristine600 = std::make_unique<image::DataImage>();
    std::unique_ptr<image::DataImage> pristine990 = std::make_unique<image::DataImage>();

    Images() {
        image::initialiseImage(*pristine600);
        image::DataImage& image = workspace().image();
        image::initialiseImage(image);
        image.memoryMode = 2;
        phonebook::clearSystemBook(workspace(), 2);
        phonebook::clearTelephoneBooks(workspace(), 2);
        *pristine990 = image;
    }
};

// Slot by slot only where a run of slots changed: a body stores a few entries at most, and a
// compare per slot of the whole area would cost more than the decoding.
void checkArea(const image::PhonebookArea& area, const image::PhonebookArea& before) {
    constexpr std::size_t kRun = 60;
    for (std::size_t first = 0; first < area.size(); first += kRun) {
        const std::size_t count = std::min(kRun, area.size() - first);
        if (std::memcmp(&area[first], &before[first], count * sizeof area[first]) == 0) continue;
        for (std::size_t slot = first; slot < first + count; ++slot) {
            const image::SpeedDialEntry& entry = area[slot];
            if (std::memcmp(&entry, &before[slot], sizeof entry) == 0) continue;
            check(entry.kanaName[20] == 0 && entry.kanjiName[20] == 0 && entry.group <= 7);
            for (std::size_t i = 12; i < entry.number.size(); ++i) check(entry.number[i] == 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Images images;
    if (size == 0) return 0;
    image::DataImage& image = workspace().image();
    const image::DataImage& pristine = (data[0] & 1) ? *images.pristine990 : *images.pristine600;
    image = pristine;
    workspace().flags().dupCheckEnabled = (data[0] & 2) ? 1 : 0;

    web::PhonebookFormTarget target(workspace());
    web::ApplySubmittedForm(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), target);

    check(image.memoryMode == 1 || image.memoryMode == 2);
    const phonebook::DuplicateReport& report = target.duplicateReport();
    check(report.count >= 0);
    if (workspace().flags().dupCheckEnabled == 0) check(report.count == 0); // the plain stores look for none
    checkArea(image.workingCopy, pristine.workingCopy);
    checkArea(image.backupCopy, pristine.backupCopy);
    for (const image::KeySetting& slot : image.keys.settings) check(slot.length <= slot.text.size());
    const image::ConsoleRecord& console = image.consoles[static_cast<std::size_t>(web::kPageConsole - 1)];
    check(console[image::console::kTextLength] <= image::console::kTextCapacity);
    return 0;
}
