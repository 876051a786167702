// The store and show handlers of the command table. A handler pair reads the value digits of a
// console text into the image (store) or appends the image's value to the text (show); which
// bytes it touches comes from the row (bytes 10–12), so that one pair serves every item of its
// shape. Handlers return 0 for success, 1 for input they refuse (the display shows "--P") and
// another code for a fault (the display shows "--c"); a refused store changes nothing.
#pragma once

#include "image/command_table.h"
#include "image/data_image.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace rk::image {

struct HandlerContext {
    DataImage& image;
    ConsoleRecord& console;
    const CommandRow& row;
    std::size_t dataStart; // 4, or 5 for a four-digit command
};

using Handler = int (*)(HandlerContext& context);
constexpr std::size_t kHandlerCount = 2 * kPairCount;

// The two halves: entry n stores for pair n, entry kPairCount + n shows.
std::span<const Handler, kHandlerCount> handlerTable();

// Calls the store or show handler of the row's pair.
int runStore(HandlerContext& context);
int runShow(HandlerContext& context);

// The area a row of a generic pair addresses; nullptr for rows of the other pairs.
const AreaDescriptor* areaForRow(const CommandRow& row);

// Address values of a command, one per address field.
using AddressValues = std::array<int, 3>;

// Calls visit(values) for every address the row accepts, the first field varying fastest; a row
// without address fields gets one call.
template <typename Visit> void forEachAddress(const CommandRow& row, Visit&& visit) {
    AddressValues values{};
    const AreaDescriptor* area = areaForRow(row);
    const int count = area == nullptr ? 0 : std::min<int>(area->addressCount, 3);
    if (count == 0 || addressFieldCount(row) != count) {
        if (addressFieldCount(row) == 0) visit(values);
        return;
    }
    auto walk = [&](auto& self, int field) -> void {
        if (field < 0) {
            visit(values);
            return;
        }
        const AddressDomain& domain = area->addresses[static_cast<std::size_t>(field)];
        for (const AddressRange& range : {domain.first, domain.second}) {
            for (int value = range.low; value <= range.high; ++value) {
                values[static_cast<std::size_t>(field)] = value;
                self(self, field - 1);
            }
        }
    };
    walk(walk, count - 1);
}

// The command that shows one entry: "*", the command digits, each address at its full width
// ("#" after a field that may be shorter) and "#", for example "*831101#" or "*9112101#11#".
std::string showCommandText(int command, const CommandRow& row, const AddressValues& addresses);

// Stores the factory default of every defined item.
void applyFactoryDefaults(DataImage& image);

} // namespace rk::image
