// The field table of the edit pages: for every page group and sub-page, the kinds of fields the
// page has. A field descriptor names its fields with a printf-style pattern ("s%03dn%d") and
// walks index ranges to enumerate them; the data script lists the value of every such field.
//
// Groups 1 to 16 are the data-set pages (h fields, values from the command engine), 17 and 18
// the common and my phonebook (s and t fields), 19 and 20 the anything and one-touch keys of the
// telephones (i fields, values from the key store). The phonebook and key groups have one
// sub-page whose ranges come in several selections, one per page the browser shows.
#pragma once

#include "phonebook/page_rules.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rk::web {

struct IndexRange {
    std::uint16_t low;
    std::uint16_t high; // inclusive
};

constexpr std::size_t kMaxDimensions = 4;

struct FieldDescriptor {
    std::string_view nameFormat; // printf-style, up to four "%d" conversions
    std::int32_t groups;         // range groups per selection; 0: a single fixed name
    std::int32_t dimensions;     // conversions in the format
    std::int32_t selections;     // alternative range sets; 1 for ordinary descriptors
    // For nesting level 1 (innermost) to 4: the dimension that varies at that level.
    std::array<std::uint8_t, kMaxDimensions> order;
    // selections × groups × dimensions ranges; selection k (from 0) starts at k × groups × dims.
    std::span<const IndexRange> ranges;
};

using SubPage = std::span<const FieldDescriptor>;

constexpr int kFirstPageGroup = 1;
constexpr int kLastPageGroup = 20;
constexpr int kCommonPhonebookGroup = phonebook::kCommonBook.pageGroup;
constexpr int kMyPhonebookGroup = phonebook::kMyBook.pageGroup;
constexpr int kAnythingKeyGroup = 19;
constexpr int kOneTouchKeyGroup = 20;
constexpr std::size_t kSubPageCount = 344;

// The sub-pages of a page group 1..20 (sub-page s is element s − 1); empty for any other group.
std::span<const SubPage> pageGroup(int group);

// The descriptors of a sub-page; nullptr when the group or sub-page is not in the table.
const SubPage* subPage(int group, int subPageNumber);

} // namespace rk::web
