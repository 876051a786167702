#include "phonebook/phonebook.h"

#include <array>

namespace rk::phonebook {
namespace {

// Ranges of telephone positions and the block index of their first position. The blocks are
// numbered in the order the main unit's hardware slots are filled, not by position.
struct PositionRange {
    int first;
    int last;
    int firstIndex;
};

constexpr std::array<PositionRange, 11> kRanges = {{
    {101, 116, 1},
    {125, 132, 17},
    {201, 208, 25},
    {169, 176, 33},
    {141, 148, 41},
    {193, 200, 49},
    {117, 124, 57},
    {153, 168, 65},
    {177, 192, 81},
    {133, 140, 97},
    {149, 152, 105},
}};

int baseIndex(int position) {
    for (const PositionRange& range : kRanges)
        if (position >= range.first && position <= range.last)
            return range.firstIndex + (position - range.first);
    return 0;
}

} // namespace

int positionToIndex(int position) {
    if (position > 300) {
        // The second cabinet: same pattern 200 higher, blocks 109..216. A position with no
        // block there stays without one.
        int index = baseIndex(position - 200);
        return index == 0 ? 0 : index + 108;
    }
    return baseIndex(position);
}

} // namespace rk::phonebook
