#include "phonebook/number_index.h"

#include "phonebook/digit_codes.h"

#include <algorithm>

namespace rk::phonebook::detail {

int compareNumberTexts(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(kMaxNumberDigits); ++i) {
        auto left = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        auto right = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        if (left != right) return left < right ? -1 : 1;
        if (left == 0) return 0;
    }
    return 0;
}

void updateNumberIndex(image::DataImage& image, int memory, std::string_view normalisedNumber) {
    image::NumberIndex& slots = image.numberIndex;
    const std::ptrdiff_t count = image::layoutOf(image.memoryMode) == image::Layout::Memories990 ? 1000 : 600;
    const auto value = static_cast<std::uint16_t>(memory + 1);

    // Take the memory out first: the slots in front of it close the gap from the start.
    const auto end = slots.begin() + count + 1;
    if (const auto found = std::find(slots.begin(), end, value); found != end) {
        std::copy_backward(slots.begin(), found, found + 1);
        slots[0] = 0;
    }

    // Free slots sort before every number; equal counts as smaller.
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = count;
    std::ptrdiff_t middle = 0;
    bool greater = false;
    const auto at = [&slots](std::ptrdiff_t slot) -> std::uint16_t& {
        return slots[static_cast<std::size_t>(slot)];
    };
    while (low <= high) {
        middle = (low + high) / 2;
        if (at(middle) == 0) {
            greater = true;
            low = middle + 1;
            continue;
        }
        const std::string stored = decodeNumber(image.workingCopy[at(middle) - 1u].number.data());
        const int order = compareNumberTexts(normalisedNumber, stored);
        if (order == 0) {
            greater = false;
            break;
        }
        greater = order > 0;
        if (greater)
            low = middle + 1;
        else
            high = middle - 1;
    }

    // The front part moves one place towards the start, dropping the free slot 0.
    std::copy(slots.begin() + 1, slots.begin() + middle + 1, slots.begin());
    if (greater)
        at(middle) = value;
    else if (middle > 0)
        at(middle - 1) = value;
}

} // namespace rk::phonebook::detail
