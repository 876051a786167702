#include "web/field_table.h"

#include <algorithm>
#include <cstddef>

namespace rk::web {
namespace {

using Order = std::array<std::uint8_t, kMaxDimensions>;

// A format text as a template argument, so that tables derived from a format live as long as
// the program (template parameter objects have static storage).
template <std::size_t N> struct FormatText {
    char text[N]{};
    constexpr FormatText(const char (&source)[N]) { std::copy_n(source, N, text); }
    constexpr std::string_view view() const { return {text, N - 1}; }
};

constexpr int conversionsIn(std::string_view format) {
    return static_cast<int>(std::count(format.begin(), format.end(), '%'));
}

struct Conversion {
    int width = 0;         // digits of "%03d" or "%3d"; 0 for "%d"
    bool subField = false; // written right after an "n": the sub-field digit of an entry
};

constexpr Conversion conversionAt(std::string_view format, int index) {
    Conversion conversion;
    int seen = 0;
    for (std::size_t at = 0; at < format.size(); ++at) {
        if (format[at] != '%') continue;
        if (seen++ != index) continue;
        conversion.subField = at > 0 && format[at - 1] == 'n';
        for (std::size_t digit = at + 1;
             digit < format.size() && format[digit] >= '0' && format[digit] <= '9'; ++digit)
            conversion.width = conversion.width * 10 + (format[digit] - '0');
        break;
    }
    return conversion;
}

// The sub-field of an entry varies fastest; otherwise the first dimension does, as the command
// engine lists the addresses of a command.
constexpr Order defaultOrder(std::string_view format) {
    const int dimensions = conversionsIn(format);
    Order order{};
    std::size_t level = 0;
    const bool lastIsSubField = dimensions > 0 && conversionAt(format, dimensions - 1).subField;
    if (lastIsSubField) order[level++] = static_cast<std::uint8_t>(dimensions - 1);
    for (int dimension = 0; dimension < dimensions - (lastIsSubField ? 1 : 0); ++dimension)
        order[level++] = static_cast<std::uint8_t>(dimension);
    return order;
}

constexpr FieldDescriptor fixed(std::string_view name) {
    return {name, 0, 0, 1, {}, {}};
}

constexpr FieldDescriptor field(std::string_view format, std::span<const IndexRange> ranges, Order order) {
    const int dimensions = conversionsIn(format);
    return {format,     static_cast<std::int32_t>(ranges.size() / static_cast<std::size_t>(dimensions)),
            dimensions, 1,
            order,      ranges};
}

constexpr FieldDescriptor field(std::string_view format, std::span<const IndexRange> ranges) {
    return field(format, ranges, defaultOrder(format));
}

// ---- ranges of the commands the engine does not model -----------------------------------
// Their values are always empty; the ranges only give the page its fields: a three-digit
// number is a telephone position, a two-digit one an entry 01..16, a one-digit one 1..4, a
// sub-field 1..2.

constexpr IndexRange kPositions = {101, 200};

constexpr IndexRange defaultRange(Conversion conversion) {
    if (conversion.subField) return {1, 2};
    if (conversion.width >= 3) return kPositions;
    if (conversion.width == 2) return {1, 16};
    return {1, 4};
}

template <FormatText F>
inline constexpr auto kDefaultRanges = [] {
    std::array<IndexRange, static_cast<std::size_t>(conversionsIn(F.view()))> ranges{};
    for (std::size_t i = 0; i < ranges.size(); ++i)
        ranges[i] = defaultRange(conversionAt(F.view(), static_cast<int>(i)));
    return ranges;
}();

template <FormatText F> constexpr FieldDescriptor unmodelled() {
    return field(F.view(), kDefaultRanges<F>);
}

// ---- formats spread over several sub-pages -------------------------------------------------

// Block `part` of `parts` of a range; block sizes differ by at most one, the first are larger.
constexpr IndexRange blockOf(IndexRange whole, std::size_t part, std::size_t parts) {
    const std::size_t count = static_cast<std::size_t>(whole.high - whole.low + 1);
    const std::size_t base = count / parts;
    const std::size_t extra = count % parts;
    const std::size_t start = part * base + std::min(part, extra);
    const std::size_t size = base + (part < extra ? 1 : 0);
    return {static_cast<std::uint16_t>(whole.low + start),
            static_cast<std::uint16_t>(whole.low + start + size - 1)};
}

// The first dimension split evenly over the pages, the others whole on every page.
template <std::size_t Pages, std::size_t Dimensions>
constexpr auto splitFirst(const std::array<IndexRange, Dimensions>& whole) {
    std::array<std::array<IndexRange, Dimensions>, Pages> pages{};
    for (std::size_t page = 0; page < Pages; ++page) {
        pages[page] = whole;
        pages[page][0] = blockOf(whole[0], page, Pages);
    }
    return pages;
}

template <FormatText F, std::size_t Pages, IndexRange... Whole>
inline constexpr auto kSplitRanges = splitFirst<Pages>(std::array<IndexRange, sizeof...(Whole)>{Whole...});

template <FormatText F, std::size_t Pages>
inline constexpr auto kUnmodelledSplitRanges = splitFirst<Pages>(kDefaultRanges<F>);

template <std::size_t Pages, std::size_t Dimensions>
constexpr auto familyOf(std::string_view format,
                        const std::array<std::array<IndexRange, Dimensions>, Pages>& ranges) {
    std::array<FieldDescriptor, Pages> fields{};
    for (std::size_t page = 0; page < Pages; ++page) fields[page] = field(format, ranges[page]);
    return fields;
}

template <FormatText F, std::size_t Pages, IndexRange... Whole>
inline constexpr auto kSplit = familyOf(F.view(), kSplitRanges<F, Pages, Whole...>);

template <FormatText F, std::size_t Pages>
inline constexpr auto kUnmodelledSplit = familyOf(F.view(), kUnmodelledSplitRanges<F, Pages>);

// ---- assembling the groups ---------------------------------------------------------------

template <std::size_t N>
constexpr std::array<SubPage, N> pagesOf(const std::array<FieldDescriptor, N>& family) {
    std::array<SubPage, N> pages{};
    for (std::size_t i = 0; i < N; ++i) pages[i] = SubPage(&family[i], 1);
    return pages;
}

constexpr std::array<SubPage, 1> page(SubPage fields) {
    return {fields};
}

template <std::size_t... N> constexpr auto concat(const std::array<SubPage, N>&... parts) {
    std::array<SubPage, (N + ...)> all{};
    std::size_t next = 0;
    ((std::copy(parts.begin(), parts.end(), all.begin() + static_cast<std::ptrdiff_t>(next)),
      next += parts.size()),
     ...);
    return all;
}

// ---- group 1 ------------------------------------------------------------------------------

constexpr IndexRange kH001[] = {{1, 2}};
constexpr IndexRange kH003[] = {{0, 0}, {3, 3}, {5, 5}, {12, 17}, {6, 6}, {21, 26}};
// The telephones: positions 149..152 are no telephones.
constexpr IndexRange kH009[] = {{101, 148}, {1, 4}, {153, 200}, {1, 4}};

// h030: three pages of sixteen telephones, one group per slot 01..62.
constexpr std::size_t kH030Slots = 62;
constexpr auto kH030Ranges = [] {
    std::array<std::array<IndexRange, kH030Slots * 2>, 3> pages{};
    for (std::size_t pageIndex = 0; pageIndex < pages.size(); ++pageIndex) {
        const auto first = static_cast<std::uint16_t>(101 + 16 * pageIndex);
        for (std::size_t slot = 1; slot <= kH030Slots; ++slot) {
            pages[pageIndex][2 * (slot - 1)] = {first, static_cast<std::uint16_t>(first + 15)};
            pages[pageIndex][2 * (slot - 1) + 1] = {static_cast<std::uint16_t>(slot),
                                                    static_cast<std::uint16_t>(slot)};
        }
    }
    return pages;
}();
constexpr auto kH030 = familyOf("h030_%03d_%02d", kH030Ranges);

constexpr FieldDescriptor kG1P1[] = {fixed("h000"), field("h001_%d", kH001), fixed("h002"),
                                     field("h003_%02d", kH003), field("h009_%03dsn%d", kH009)};
constexpr FieldDescriptor kG1P2[] = {unmodelled<"h011_%02d">(), unmodelled<"h012_%03d">(),
                                     unmodelled<"h013_%02ds">(), unmodelled<"h016_%02ds">()};
constexpr FieldDescriptor kG1P3[] = {fixed("h021"), unmodelled<"h026_%02ds">()};
constexpr FieldDescriptor kG1P7[] = {fixed("h031"), fixed("h032"), fixed("h033")};
constexpr FieldDescriptor kG1P8[] = {unmodelled<"h040_%02ds">()};
constexpr FieldDescriptor kG1P9[] = {unmodelled<"h041_%02ds">(), unmodelled<"h042_%02ds">(),
                                     unmodelled<"h043_%02ds">(), fixed("h048"), fixed("h049")};
constexpr FieldDescriptor kG1P10[] = {
    unmodelled<"h050_%d">(), unmodelled<"h051_%d">(), unmodelled<"h052_%d">(), fixed("h053"), fixed("h054"),
    fixed("h055"),           fixed("h057"),           fixed("h058"),           fixed("h059")};
constexpr FieldDescriptor kG1P11[] = {unmodelled<"h060_%d">(), unmodelled<"h061_%d">(), fixed("h062"),
                                      fixed("h063")};
constexpr FieldDescriptor kG1P12[] = {unmodelled<"h066_%02ds">(), unmodelled<"h067_%02ds">()};
constexpr FieldDescriptor kG1P13[] = {unmodelled<"h070_%02ds">(),
                                      unmodelled<"h071_%02ds">(),
                                      unmodelled<"h073_%02ds">(),
                                      fixed("h074"),
                                      fixed("h075"),
                                      fixed("h076"),
                                      fixed("h077"),
                                      fixed("h078")};

constexpr auto kGroup1 =
    concat(page(kG1P1), page(kG1P2), page(kG1P3), pagesOf(kH030), page(kG1P7), page(kG1P8), page(kG1P9),
           page(kG1P10), page(kG1P11), page(kG1P12), page(kG1P13));

// ---- group 2 ------------------------------------------------------------------------------

constexpr IndexRange kH080[] = {{0, 9}};
constexpr IndexRange kH081[] = {{0, 11}};
constexpr IndexRange kH099[] = {{1, 4}, {1, 5}};

constexpr FieldDescriptor kG2P1[] = {field("h080_%d", kH080), field("h081_%02d", kH081)};
constexpr FieldDescriptor kG2P2[] = {unmodelled<"h082_%03d">()};
constexpr FieldDescriptor kG2P3[] = {fixed("h083"), unmodelled<"h084_%02d_%02d">()};
constexpr FieldDescriptor kG2P4[] = {unmodelled<"h085_%dn%d">(), unmodelled<"h086_%d">(), fixed("h087"),
                                     fixed("h088"), unmodelled<"h089_%02d">()};
constexpr FieldDescriptor kG2P5[] = {unmodelled<"h090_%02d">(),
                                     fixed("h091"),
                                     fixed("h092"),
                                     fixed("h093"),
                                     fixed("h094"),
                                     fixed("h095"),
                                     fixed("h096"),
                                     fixed("h097"),
                                     unmodelled<"h098_%d">(),
                                     field("h099_%02dn%d", kH099)};

constexpr auto kGroup2 = concat(page(kG2P1), page(kG2P2), page(kG2P3), page(kG2P4), page(kG2P5));

// ---- group 3 ------------------------------------------------------------------------------

constexpr IndexRange kH168[] = {{1, 10}};

constexpr FieldDescriptor kG3P1[] = {unmodelled<"h100_%02ds">(), unmodelled<"h101_%02dsn%d">(),
                                     unmodelled<"h102_%02ds">(), unmodelled<"h103_%02d">()};
constexpr FieldDescriptor kG3P2[] = {unmodelled<"h110_%02ds_%d">(), unmodelled<"h111_%03ds">(),
                                     unmodelled<"h112_%02ds">()};
constexpr FieldDescriptor kG3P5[] = {unmodelled<"h114_%03ds">(), fixed("h115")};
// h120 comes first: the pages read the memory count from this script's first value.
constexpr FieldDescriptor kG3P6[] = {fixed("h120"),
                                     fixed("h121"),
                                     fixed("h122"),
                                     fixed("h123"),
                                     fixed("h124"),
                                     fixed("h125"),
                                     unmodelled<"h127_%03ds">(),
                                     unmodelled<"h128_%03ds">()};
constexpr FieldDescriptor kG3P7[] = {fixed("h130"), fixed("h131"), fixed("h132"),
                                     fixed("h133"), fixed("h134"), unmodelled<"h135_%03ds">(),
                                     fixed("h137"), fixed("h138"), unmodelled<"h139_%03ds">()};
constexpr FieldDescriptor kG3P10[] = {unmodelled<"h141_%02d">(), unmodelled<"h142_%02d">(), fixed("h143"),
                                      fixed("h144"), unmodelled<"h145_%02ds">()};
constexpr FieldDescriptor kG3P11[] = {
    unmodelled<"h150_%d">(), unmodelled<"h151_%d">(), unmodelled<"h152_%d">(), unmodelled<"h153_%d">(),
    fixed("h154"),           fixed("h155"),           fixed("h156"),           fixed("h157")};
constexpr FieldDescriptor kG3P16[] = {unmodelled<"h161_%02dn%d">()};
constexpr FieldDescriptor kG3P17[] = {unmodelled<"h162_%02d">(), fixed("h163"), fixed("h164"),
                                      unmodelled<"h165_%02dn%d">(), unmodelled<"h166_%02dn%d">()};
constexpr FieldDescriptor kG3P20[] = {field("h168_%02d", kH168)};
constexpr FieldDescriptor kG3P32[] = {fixed("h181"), fixed("h182"), unmodelled<"h183_%03ds">()};
constexpr FieldDescriptor kG3P33[] = {unmodelled<"h185_%02dn%d">(), fixed("h186"), fixed("h187"),
                                      fixed("h189")};

constexpr auto kGroup3 =
    concat(page(kG3P1), page(kG3P2), pagesOf(kUnmodelledSplit<"h113_%03ds_%d", 2>), page(kG3P5), page(kG3P6),
           page(kG3P7), pagesOf(kUnmodelledSplit<"h140_%03dsn%d", 2>), page(kG3P10), page(kG3P11),
           pagesOf(kUnmodelledSplit<"h160_%02ds_%dn%d", 4>), page(kG3P16), page(kG3P17),
           pagesOf(kUnmodelledSplit<"h167_%02ds_%dn%d", 2>), page(kG3P20),
           pagesOf(kSplit<"h180_%03ds_%02d", 11, kPositions, IndexRange{1, 96}>), page(kG3P32), page(kG3P33));

// ---- group 4 ------------------------------------------------------------------------------

constexpr IndexRange kExtensions = {331, 378};
constexpr IndexRange kH314[] = {{1, 4}};
constexpr IndexRange kH365[] = {{1, 16}};
constexpr IndexRange kH400[] = {{1, 8}};

constexpr FieldDescriptor kG4P1[] = {unmodelled<"h300_%02dsn%d">(), unmodelled<"h301_%02dsn%d">(),
                                     fixed("h302"), unmodelled<"h303_%03ds">()};
constexpr FieldDescriptor kG4P136[] = {field("h314_%d", kH314), unmodelled<"h315_%03ds">(),
                                       unmodelled<"h316_%d">(), fixed("h317"), fixed("h318")};
constexpr FieldDescriptor kG4P137[] = {unmodelled<"h320_%02ds">(), unmodelled<"h321_%02ds">(), fixed("h322"),
                                       unmodelled<"h323_%02dsn%d">(), fixed("h324")};
constexpr FieldDescriptor kG4P138[] = {unmodelled<"h325_%03ds">()};
constexpr FieldDescriptor kG4P139[] = {unmodelled<"h326_%03ds">(), unmodelled<"h327_%02ds">(),
                                       unmodelled<"h328_%d">()};
constexpr FieldDescriptor kG4P140[] = {fixed("h330"),
                                       unmodelled<"h331_%02dsn%d">(),
                                       unmodelled<"h332_%02dsn%d">(),
                                       unmodelled<"h333_%02dsn%d">(),
                                       unmodelled<"h334_%02dsn%d">(),
                                       unmodelled<"h335_%d">(),
                                       fixed("h336")};
constexpr FieldDescriptor kG4P141[] = {unmodelled<"h340_%02d">(),
                                       fixed("h341"),
                                       fixed("h342"),
                                       fixed("h343"),
                                       fixed("h344"),
                                       fixed("h345"),
                                       fixed("h346"),
                                       fixed("h347"),
                                       fixed("h348"),
                                       fixed("h349")};
constexpr FieldDescriptor kG4P142[] = {fixed("h350"), unmodelled<"h351_%02dn%d">(), fixed("h352"),
                                       unmodelled<"h355_%02d">(), unmodelled<"h356_%02d_%d">()};
constexpr FieldDescriptor kG4P143[] = {unmodelled<"h360n%d">(), unmodelled<"h361_%02d_%d">(),
                                       unmodelled<"h362_%02d_%02d">(), unmodelled<"h364_%03ds">()};
constexpr FieldDescriptor kG4P144[] = {field("h365_%02ds", kH365)};
constexpr FieldDescriptor kG4P189[] = {unmodelled<"h370_%02d">(),
                                       fixed("h372"),
                                       fixed("h373"),
                                       fixed("h374"),
                                       fixed("h375"),
                                       fixed("h377"),
                                       unmodelled<"h378_%02d">(),
                                       unmodelled<"h379_%02d">()};
constexpr FieldDescriptor kG4P190[] = {fixed("h380"),
                                       unmodelled<"h381_%02d">(),
                                       unmodelled<"h382_%02d">(),
                                       unmodelled<"h383_%02d">(),
                                       unmodelled<"h384_%02d">(),
                                       unmodelled<"h385_%02d">(),
                                       fixed("h386")};
constexpr FieldDescriptor kG4P191[] = {unmodelled<"h387_%03ds">()};
constexpr FieldDescriptor kG4P192[] = {
    unmodelled<"h390_%02d">(),   unmodelled<"h391_%02d">(), fixed("h392"),
    unmodelled<"h393_%02d">(),   unmodelled<"h394_%02d">(), unmodelled<"h395_%02d_%d">(),
    unmodelled<"h396_%02d_%d">()};
constexpr FieldDescriptor kG4P193[] = {field("h400_%02d", kH400),
                                       unmodelled<"h401_%02d">(),
                                       unmodelled<"h402_%02d">(),
                                       unmodelled<"h403_%02d">(),
                                       unmodelled<"h404_%02dn%d">(),
                                       fixed("h405"),
                                       fixed("h406"),
                                       fixed("h407")};
constexpr FieldDescriptor kG4P194[] = {
    unmodelled<"h410_%02ds">(), fixed("h411"), fixed("h412"), fixed("h413"),
    unmodelled<"h414_%03ds">(), fixed("h416"), fixed("h417"), fixed("h418"),
    unmodelled<"h419_%03ds">()};
constexpr FieldDescriptor kG4P195[] = {fixed("h420"), unmodelled<"h421_%03ds">(), unmodelled<"h422_%dn%d">(),
                                       unmodelled<"h423_%02d">(), fixed("h425")};

constexpr auto kGroup4 = concat(
    page(kG4P1), pagesOf(kSplit<"h305_%03ds_%02d", 2, kExtensions, IndexRange{1, 2}>),
    pagesOf(kSplit<"h310_%03ds_%02d", 22, kExtensions, IndexRange{1, 48}>),
    pagesOf(kSplit<"h311_%03ds_%02d", 22, kExtensions, IndexRange{1, 48}>),
    pagesOf(kSplit<"h312_%03ds_%02d", 44, kExtensions, IndexRange{1, 96}>),
    pagesOf(kSplit<"h313_%03ds_%02d", 44, kExtensions, IndexRange{1, 96}>), page(kG4P136), page(kG4P137),
    page(kG4P138), page(kG4P139), page(kG4P140), page(kG4P141), page(kG4P142), page(kG4P143), page(kG4P144),
    pagesOf(kSplit<"h366_%03ds_%02d", 44, kExtensions, IndexRange{1, 96}>), page(kG4P189), page(kG4P190),
    page(kG4P191), page(kG4P192), page(kG4P193), page(kG4P194), page(kG4P195));

// ---- group 5 ------------------------------------------------------------------------------

constexpr IndexRange kH500[] = {kPositions};

constexpr FieldDescriptor kG5P1[] = {field("h500_%03ds", kH500),
                                     unmodelled<"h501_%03ds">(),
                                     fixed("h502"),
                                     fixed("h503"),
                                     unmodelled<"h504_%02d">(),
                                     fixed("h505")};
constexpr FieldDescriptor kG5P2[] = {unmodelled<"h506_%03ds">(), fixed("h507"), fixed("h508"), fixed("h509"),
                                     fixed("h510")};
constexpr FieldDescriptor kG5P3[] = {unmodelled<"h520_%03ds">(), fixed("h521"), fixed("h522"),
                                     unmodelled<"h523_%03ds">(), fixed("h524")};

constexpr auto kGroup5 = concat(page(kG5P1), page(kG5P2), page(kG5P3));

// ---- group 6 ------------------------------------------------------------------------------

constexpr IndexRange kH643[] = {{1, 16}};

constexpr FieldDescriptor kG6P1[] = {unmodelled<"h600_%02dsn%d">(),
                                     unmodelled<"h601_%02dn%d">(),
                                     fixed("h602"),
                                     unmodelled<"h605_%02d">(),
                                     unmodelled<"h606_%02d">(),
                                     fixed("h607"),
                                     unmodelled<"h608_%02d">(),
                                     fixed("h609")};
constexpr FieldDescriptor kG6P2[] = {fixed("h610"), fixed("h611"), fixed("h612")};
constexpr FieldDescriptor kG6P3[] = {unmodelled<"h615_%02d_%02d">()};
constexpr FieldDescriptor kG6P4[] = {unmodelled<"h616_%02d_%02dn%d">()};
constexpr FieldDescriptor kG6P5[] = {fixed("h617"), fixed("h618"), unmodelled<"h619_%02d_%d_%d">()};
constexpr FieldDescriptor kG6P6[] = {unmodelled<"h620_%03ds">(),
                                     fixed("h621"),
                                     fixed("h622"),
                                     fixed("h623"),
                                     fixed("h624"),
                                     fixed("h625"),
                                     fixed("h628")};
constexpr FieldDescriptor kG6P7[] = {unmodelled<"h631_%03ds">(), unmodelled<"h632_%03ds">(),
                                     unmodelled<"h633_%03ds">()};
constexpr FieldDescriptor kG6P8[] = {unmodelled<"h634_%03ds">(), unmodelled<"h635_%03ds">(),
                                     unmodelled<"h636_%03ds">()};
constexpr FieldDescriptor kG6P9[] = {unmodelled<"h640_%02dsn%d">(), unmodelled<"h641_%02ds">()};
constexpr FieldDescriptor kG6P12[] = {field("h643_%02ds", kH643)};
constexpr FieldDescriptor kG6P13[] = {fixed("h650"), unmodelled<"h651_%02ds">(),
                                      unmodelled<"h652_%02d_%02d">()};
constexpr FieldDescriptor kG6P14[] = {unmodelled<"h653_%02d_%02d">(), unmodelled<"h654_%02ds">()};
constexpr FieldDescriptor kG6P15[] = {
    unmodelled<"h655_%02d_%02d">(), unmodelled<"h656_%02d">(), fixed("h658"), fixed("h659"), fixed("h660"),
    unmodelled<"h662_%02ds">()};
constexpr FieldDescriptor kG6P16[] = {fixed("h670"), fixed("h671"), unmodelled<"h672_%03ds">(), fixed("h673"),
                                      fixed("h675"), fixed("h677"), unmodelled<"h678_%02ds">()};
constexpr FieldDescriptor kG6P17[] = {unmodelled<"h680_%02d">(),
                                      unmodelled<"h681_%02ds">(),
                                      unmodelled<"h682_%d">(),
                                      unmodelled<"h683_%d">(),
                                      unmodelled<"h684_%02d">(),
                                      unmodelled<"h685_%d">(),
                                      unmodelled<"h686_%02d">(),
                                      unmodelled<"h687_%02d_%d">(),
                                      fixed("h688"),
                                      fixed("h689")};
constexpr FieldDescriptor kG6P18[] = {unmodelled<"h690_%02d">(), unmodelled<"h691_%d">(),
                                      unmodelled<"h692_%d">(),   unmodelled<"h693_%02ds">(),
                                      unmodelled<"h694_%d">(),   unmodelled<"h695_%d">()};
constexpr FieldDescriptor kG6P19[] = {unmodelled<"h698_%02d_%d_%dn%d">()};
constexpr FieldDescriptor kG6P20[] = {unmodelled<"h699_%02d_%d_%dn%d">()};

constexpr auto kGroup6 =
    concat(page(kG6P1), page(kG6P2), page(kG6P3), page(kG6P4), page(kG6P5), page(kG6P6), page(kG6P7),
           page(kG6P8), page(kG6P9), pagesOf(kSplit<"h642_%03ds_%02d", 2, kPositions, IndexRange{1, 2}>),
           page(kG6P12), page(kG6P13), page(kG6P14), page(kG6P15), page(kG6P16), page(kG6P17), page(kG6P18),
           page(kG6P19), page(kG6P20));

// ---- group 7 ------------------------------------------------------------------------------

constexpr IndexRange kH727[] = {{1, 4}};

constexpr FieldDescriptor kG7P1[] = {fixed("h700"), unmodelled<"h701_%03ds">(), unmodelled<"h702_%03ds">(),
                                     fixed("h703"), unmodelled<"h704_%03ds">()};
constexpr FieldDescriptor kG7P2[] = {fixed("h705"), fixed("h706"), unmodelled<"h707_%03ds">(), fixed("h708"),
                                     unmodelled<"h709_%03ds">()};
constexpr FieldDescriptor kG7P5[] = {unmodelled<"h711_%03d">(), fixed("h712"), fixed("h713"), fixed("h714")};
constexpr FieldDescriptor kG7P8[] = {fixed("h720"), fixed("h724"), fixed("h725"), field("h727_%d", kH727)};
constexpr FieldDescriptor kG7P9[] = {fixed("h730"), unmodelled<"h731_%02d_%02d">(), unmodelled<"h732_%02d">(),
                                     fixed("h733")};

constexpr auto kGroup7 =
    concat(page(kG7P1), page(kG7P2), pagesOf(kUnmodelledSplit<"h710_%03ds", 2>), page(kG7P5),
           pagesOf(kUnmodelledSplit<"h718_%03ds", 2>), page(kG7P8), page(kG7P9));

// ---- group 8 ------------------------------------------------------------------------------

constexpr IndexRange kH800[] = {{0, 299}};
// Routes 00..15 are keyed with two digits: the one-digit names reach 10..15 only.
constexpr IndexRange kH820[] = {{10, 15}};
constexpr IndexRange kH830[] = {{1, 4}, {1, 2}};
constexpr IndexRange kH831[] = {{101, 148}, {153, 200}};

constexpr FieldDescriptor kG8P1[] = {field("h800_%03ds", kH800), unmodelled<"h801_%02d">(),
                                     unmodelled<"h802_%03ds">(), unmodelled<"h807_%03ds">()};
constexpr FieldDescriptor kG8P2[] = {fixed("h810"),
                                     fixed("h812"),
                                     fixed("h813"),
                                     fixed("h816"),
                                     fixed("h817"),
                                     unmodelled<"h818_%03ds">(),
                                     unmodelled<"h819_%03ds">(),
                                     field("h820_%d", kH820),
                                     unmodelled<"h821_%d">()};
constexpr FieldDescriptor kG8P3[] = {field("h830_%dn%d", kH830), field("h831_%03d", kH831)};
constexpr FieldDescriptor kG8P4[] = {unmodelled<"h840_%03ds">(),
                                     fixed("h841"),
                                     fixed("h842"),
                                     fixed("h843"),
                                     fixed("h844"),
                                     fixed("h845"),
                                     fixed("h846"),
                                     fixed("h847"),
                                     fixed("h848"),
                                     fixed("h849")};
constexpr FieldDescriptor kG8P5[] = {fixed("h850"), fixed("h851")};
constexpr FieldDescriptor kG8P6[] = {fixed("h859"), unmodelled<"h860_%dn%d">()};

constexpr auto kGroup8 = concat(page(kG8P1), page(kG8P2), page(kG8P3), page(kG8P4), page(kG8P5), page(kG8P6));

// ---- group 9 ------------------------------------------------------------------------------

constexpr IndexRange kH9100[] = {{0, 15}};
constexpr IndexRange kH9112[] = {kPositions, {1, 2}, {1, 2}};

constexpr FieldDescriptor kG9P1[] = {field("h9100_%02ds", kH9100), unmodelled<"h9101_%03ds">(),
                                     unmodelled<"h9102_%03ds">(), fixed("h9103")};
constexpr FieldDescriptor kG9P2[] = {unmodelled<"h9104_%03ds">(), fixed("h9105"), fixed("h9108"),
                                     fixed("h9109")};
constexpr FieldDescriptor kG9P3[] = {unmodelled<"h9110_%03ds">()};
constexpr FieldDescriptor kG9P4[] = {unmodelled<"h9111_%03ds">()};
constexpr FieldDescriptor kG9P5[] = {field("h9112_%03ds_%d_%d", kH9112)};
constexpr FieldDescriptor kG9P6[] = {fixed("h9113"), fixed("h9114"), fixed("h9115"), fixed("h9116"),
                                     fixed("h9117"), fixed("h9118"), fixed("h9119"), fixed("h9120"),
                                     fixed("h9121"), fixed("h9122"), fixed("h9123")};
constexpr FieldDescriptor kG9P7[] = {unmodelled<"h9124_%03ds">(), unmodelled<"h9125_%02ds">(), fixed("h9126"),
                                     fixed("h9127"), fixed("h9128")};
constexpr FieldDescriptor kG9P8[] = {unmodelled<"h9129_%03ds">()};
constexpr FieldDescriptor kG9P12[] = {unmodelled<"h9132_%02d">(), fixed("h9133"),
                                      unmodelled<"h9134_%02d_%d">()};
constexpr FieldDescriptor kG9P13[] = {unmodelled<"h9135_%03ds">()};
constexpr FieldDescriptor kG9P14[] = {unmodelled<"h9136_%03ds">()};
constexpr FieldDescriptor kG9P15[] = {unmodelled<"h9137_%03ds_%d">()};
constexpr FieldDescriptor kG9P16[] = {fixed("h9138")};

constexpr auto kGroup9 = concat(page(kG9P1), page(kG9P2), page(kG9P3), page(kG9P4), page(kG9P5), page(kG9P6),
                                page(kG9P7), page(kG9P8), pagesOf(kUnmodelledSplit<"h9131_%03ds_%02d", 3>),
                                page(kG9P12), page(kG9P13), page(kG9P14), page(kG9P15), page(kG9P16));

// ---- group 10 -----------------------------------------------------------------------------

constexpr IndexRange kH9141[] = {kPositions};

constexpr FieldDescriptor kG10P1[] = {unmodelled<"h9140_%3ds">()};
constexpr FieldDescriptor kG10P2[] = {field("h9141_%3d", kH9141)};
constexpr FieldDescriptor kG10P3[] = {unmodelled<"h9142_%02ds">(), unmodelled<"h9143_%3ds">()};

constexpr auto kGroup10 = concat(page(kG10P1), page(kG10P2), page(kG10P3));

// ---- group 11 -----------------------------------------------------------------------------

constexpr IndexRange kH9200[] = {{1, 2}, {1, 4}};
constexpr IndexRange kH9230[] = {{1, 4}};

constexpr FieldDescriptor kG11P1[] = {field("h9200_%d_%02d", kH9200),
                                      unmodelled<"h9201_%d_%02d">(),
                                      unmodelled<"h9202_%d">(),
                                      unmodelled<"h9203_%d">(),
                                      unmodelled<"h9204_%d">(),
                                      fixed("h9205"),
                                      fixed("h9206"),
                                      unmodelled<"h9207_%03ds">(),
                                      unmodelled<"h9208_%d">(),
                                      unmodelled<"h9209_%d">()};
constexpr FieldDescriptor kG11P2[] = {fixed("h9217"), fixed("h9218"), fixed("h9219")};
constexpr FieldDescriptor kG11P3[] = {
    unmodelled<"h9222_%d">(), unmodelled<"h9223_%d">(), fixed("h9224"),           fixed("h9225"),
    unmodelled<"h9226_%d">(), unmodelled<"h9227_%d">(), unmodelled<"h9228_%d">(), unmodelled<"h9229_%d">()};
constexpr FieldDescriptor kG11P4[] = {field("h9230_%d", kH9230), unmodelled<"h9231_%d">(),
                                      unmodelled<"h9232_%d">(),  unmodelled<"h9233_%d_%d">(),
                                      unmodelled<"h9234_%d">(),  unmodelled<"h9235_%d">(),
                                      unmodelled<"h9236_%d">(),  unmodelled<"h9237_%d_%d">(),
                                      unmodelled<"h9238_%d">(),  unmodelled<"h9239_%d">()};
constexpr FieldDescriptor kG11P5[] = {fixed("h9242"), unmodelled<"h9243_%d">()};

constexpr auto kGroup11 = concat(page(kG11P1), page(kG11P2), page(kG11P3), page(kG11P4), page(kG11P5));

// ---- group 12 -----------------------------------------------------------------------------

constexpr FieldDescriptor kG12P1[] = {fixed("h9251")};
constexpr FieldDescriptor kG12P2[] = {unmodelled<"h9260_%d">(), unmodelled<"h9261_%02ds">(), fixed("h9262")};
constexpr FieldDescriptor kG12P3[] = {unmodelled<"h9270_%d">(), fixed("h9271"), unmodelled<"h9272n%d">()};

constexpr auto kGroup12 = concat(page(kG12P1), page(kG12P2), page(kG12P3));

// ---- group 13 -----------------------------------------------------------------------------

constexpr IndexRange kH9290[] = {{1, 48}};

constexpr FieldDescriptor kG13P1[] = {fixed("h9281"),
                                      fixed("h9282"),
                                      fixed("h9283"),
                                      unmodelled<"h9284_%02dsn%d">(),
                                      fixed("h9285"),
                                      fixed("h9286"),
                                      unmodelled<"h9287_%03ds">(),
                                      fixed("h9288"),
                                      fixed("h9289")};
constexpr FieldDescriptor kG13P2[] = {field("h9290_%02ds", kH9290), unmodelled<"h9291_%02ds">(),
                                      fixed("h9294")};

constexpr auto kGroup13 = concat(page(kG13P1), page(kG13P2));

// ---- group 14 -----------------------------------------------------------------------------

constexpr FieldDescriptor kG14P1[] = {fixed("h9300")};
constexpr FieldDescriptor kG14P4[] = {unmodelled<"h9302_%02ds">(), unmodelled<"h9303_%d_%d">(),
                                      unmodelled<"h9306_%d">(),    unmodelled<"h9307n%d">(),
                                      unmodelled<"h9308_%02d">(),  unmodelled<"h9309_%02dn%d">()};
constexpr FieldDescriptor kG14P5[] = {unmodelled<"h9311_n%d">(), fixed("h9312"), fixed("h9313"),
                                      fixed("h9314"), unmodelled<"h9315_%d_%02d_%d">()};
constexpr FieldDescriptor kG14P6[] = {unmodelled<"h9316_%02dn%d">()};
constexpr FieldDescriptor kG14P7[] = {unmodelled<"h9317_%02d_%d">()};
constexpr FieldDescriptor kG14P8[] = {unmodelled<"h9318_%02d">()};
constexpr FieldDescriptor kG14P9[] = {unmodelled<"h9319_%d_%02d_%d">()};
constexpr FieldDescriptor kG14P10[] = {unmodelled<"h9320_%02d_%dn%d">()};
constexpr FieldDescriptor kG14P11[] = {unmodelled<"h9321_%02dn%d">()};
constexpr FieldDescriptor kG14P12[] = {unmodelled<"h9322_%02d_%dn%d">()};
constexpr FieldDescriptor kG14P13[] = {unmodelled<"h9323_%02dn%d">()};
constexpr FieldDescriptor kG14P14[] = {unmodelled<"h9324_%02d_%dn%d">()};
constexpr FieldDescriptor kG14P15[] = {unmodelled<"h9325_%02dn%d">()};
constexpr FieldDescriptor kG14P16[] = {unmodelled<"h9326_%02d_%dn%d">()};
constexpr FieldDescriptor kG14P17[] = {unmodelled<"h9327_%02dn%d">()};
constexpr FieldDescriptor kG14P18[] = {
    unmodelled<"h9332_%03ds">(), fixed("h9333"), unmodelled<"h9334_n%d">(), fixed("h9335"), fixed("h9336"),
    unmodelled<"h9337n%d">(),    fixed("h9339")};
constexpr FieldDescriptor kG14P19[] = {fixed("h9364"), fixed("h9365")};

constexpr auto kGroup14 = concat(page(kG14P1), pagesOf(kUnmodelledSplit<"h9301_%03ds", 2>), page(kG14P4),
                                 page(kG14P5), page(kG14P6), page(kG14P7), page(kG14P8), page(kG14P9),
                                 page(kG14P10), page(kG14P11), page(kG14P12), page(kG14P13), page(kG14P14),
                                 page(kG14P15), page(kG14P16), page(kG14P17), page(kG14P18), page(kG14P19));

// ---- group 15 -----------------------------------------------------------------------------

constexpr IndexRange kH9400[] = {{1, 4}};
constexpr IndexRange kH9419[] = {kPositions};

constexpr FieldDescriptor kG15P1[] = {field("h9400_%d", kH9400),
                                      unmodelled<"h9401_%03d">(),
                                      fixed("h9402"),
                                      fixed("h9403"),
                                      fixed("h9404"),
                                      fixed("h9405"),
                                      fixed("h9410")};
constexpr FieldDescriptor kG15P2[] = {field("h9419_%03ds", kH9419), unmodelled<"h9420_%02d">(),
                                      unmodelled<"h9421_%03d">(), unmodelled<"h9422_%d">(),
                                      unmodelled<"h9423_%d">()};

constexpr auto kGroup15 = concat(page(kG15P1), page(kG15P2));

// ---- group 16 -----------------------------------------------------------------------------

constexpr IndexRange kH9521[] = {kPositions};

constexpr FieldDescriptor kG16P1[] = {unmodelled<"h9500_%03ds">(), unmodelled<"h9501_%03ds">(),
                                      unmodelled<"h9502_%03d">(), fixed("h9503"), fixed("h9504")};
constexpr FieldDescriptor kG16P2[] = {unmodelled<"h9510_%03ds">(), unmodelled<"h9511_%03ds">(),
                                      unmodelled<"h9512_%03ds">(), unmodelled<"h9513_%03ds">(),
                                      unmodelled<"h9514_%03ds">(), unmodelled<"h9515_%03ds">()};
constexpr FieldDescriptor kG16P3[] = {unmodelled<"h9516_%03ds">(), unmodelled<"h9517_%03ds">(),
                                      unmodelled<"h9518_%03ds">()};
constexpr FieldDescriptor kG16P4[] = {field("h9521_%03d", kH9521), unmodelled<"h9522_%03d">(),
                                      unmodelled<"h9524_%03dsn%d">()};
constexpr FieldDescriptor kG16P5[] = {unmodelled<"h9525_%02dn%d">(), unmodelled<"h9526_%02d_%02d">(),
                                      unmodelled<"h9527_%02d">(), unmodelled<"h9528_%02ds">(),
                                      unmodelled<"h9529_%02ds">()};
constexpr FieldDescriptor kG16P6[] = {unmodelled<"h9530_%03ds">(), fixed("h9531"), fixed("h9532"),
                                      fixed("h9533"), unmodelled<"h9534_%d">()};

constexpr auto kGroup16 =
    concat(page(kG16P1), page(kG16P2), page(kG16P3), page(kG16P4), page(kG16P5), page(kG16P6));

// ---- groups 17 to 20: one sub-page each, one selection per page of the browser -------------

// The phonebooks' pages as the page table holds them: for each page its memories (and, for my
// phonebook, its positions) and the sub-fields 1..n of every entry.
using phonebook::PageKind;
constexpr std::size_t kCommonPages = static_cast<std::size_t>(phonebook::kCommonBook.pages);
constexpr auto kCommonRanges = [] {
    std::array<IndexRange, kCommonPages * 2> ranges{};
    for (std::size_t k = 0; k < kCommonPages; ++k) {
        const phonebook::PageSpan span = phonebook::pageSpan(PageKind::System, static_cast<int>(k + 1));
        ranges[2 * k] = {static_cast<std::uint16_t>(span.firstMemory),
                         static_cast<std::uint16_t>(span.lastMemory)};
        ranges[2 * k + 1] = {1, static_cast<std::uint16_t>(phonebook::kCommonBook.fields.size())};
    }
    return ranges;
}();

constexpr std::size_t kMyPages = static_cast<std::size_t>(phonebook::kMyBook.pages);
constexpr auto kMyRanges = [] {
    std::array<IndexRange, kMyPages * 3> ranges{};
    for (std::size_t k = 0; k < kMyPages; ++k) {
        const phonebook::PageSpan span = phonebook::pageSpan(PageKind::Telephone, static_cast<int>(k + 1));
        ranges[3 * k] = {static_cast<std::uint16_t>(span.firstPosition),
                         static_cast<std::uint16_t>(span.lastPosition)};
        ranges[3 * k + 1] = {static_cast<std::uint16_t>(span.firstMemory),
                             static_cast<std::uint16_t>(span.lastMemory)};
        ranges[3 * k + 2] = {1, static_cast<std::uint16_t>(phonebook::kMyBook.fields.size())};
    }
    return ranges;
}();

// The 96 telephones that carry keys: positions 101..148 and 153..200.
constexpr std::size_t kKeyTelephones = 96;
constexpr std::uint16_t telephoneAt(std::size_t index) {
    return static_cast<std::uint16_t>(index < 48 ? 101 + index : 153 + (index - 48));
}

// Anything keys: four pages of 25 keys per telephone; each key's setting text in ten pieces.
constexpr std::size_t kAnythingPagesPerTelephone = 4;
constexpr std::size_t kAnythingKeysPerPage = 25;
constexpr auto kAnythingRanges = [] {
    std::array<IndexRange, kKeyTelephones * kAnythingPagesPerTelephone * 4> ranges{};
    std::size_t next = 0;
    for (std::size_t telephone = 0; telephone < kKeyTelephones; ++telephone) {
        for (std::size_t quarter = 0; quarter < kAnythingPagesPerTelephone; ++quarter) {
            const std::uint16_t position = telephoneAt(telephone);
            const auto firstKey = static_cast<std::uint16_t>(quarter * kAnythingKeysPerPage);
            ranges[next++] = {position, position};
            ranges[next++] = {firstKey, static_cast<std::uint16_t>(firstKey + kAnythingKeysPerPage - 1)};
            ranges[next++] = {0, 9};
            ranges[next++] = {1, 1};
        }
    }
    return ranges;
}();

// One-touch keys: one page per telephone, keys 00..99 with three sub-fields each.
constexpr auto kOneTouchRanges = [] {
    std::array<IndexRange, kKeyTelephones * 3> ranges{};
    for (std::size_t telephone = 0; telephone < kKeyTelephones; ++telephone) {
        const std::uint16_t position = telephoneAt(telephone);
        ranges[3 * telephone] = {position, position};
        ranges[3 * telephone + 1] = {0, 99};
        ranges[3 * telephone + 2] = {1, 3};
    }
    return ranges;
}();

// Sub-field, then entry; sub-field, then memory, then position.
constexpr FieldDescriptor kCommonPhonebook[] = {{phonebook::kCommonBook.nameFormat,
                                                 1,
                                                 2,
                                                 static_cast<std::int32_t>(kCommonPages),
                                                 {1, 0, 0, 0},
                                                 kCommonRanges}};
constexpr FieldDescriptor kMyPhonebook[] = {
    {phonebook::kMyBook.nameFormat, 1, 3, static_cast<std::int32_t>(kMyPages), {2, 1, 0, 0}, kMyRanges}};
constexpr FieldDescriptor kAnythingKeys[] = {
    {"i14_%03d_%02d_%dn%d",
     1,
     4,
     static_cast<std::int32_t>(kKeyTelephones* kAnythingPagesPerTelephone),
     {3, 2, 1, 0},
     kAnythingRanges}};
constexpr FieldDescriptor kOneTouchKeys[] = {
    {"i92_%03d_%02dn%d", 1, 3, static_cast<std::int32_t>(kKeyTelephones), {2, 1, 0, 0}, kOneTouchRanges}};

constexpr auto kGroup17 = page(kCommonPhonebook);
constexpr auto kGroup18 = page(kMyPhonebook);
constexpr auto kGroup19 = page(kAnythingKeys);
constexpr auto kGroup20 = page(kOneTouchKeys);

constexpr std::array<std::span<const SubPage>, kLastPageGroup> kGroups = {
    kGroup1,  kGroup2,  kGroup3,  kGroup4,  kGroup5,  kGroup6,  kGroup7,  kGroup8,  kGroup9,  kGroup10,
    kGroup11, kGroup12, kGroup13, kGroup14, kGroup15, kGroup16, kGroup17, kGroup18, kGroup19, kGroup20};

// ---- the table checks itself ----------------------------------------------------------------

constexpr bool isConsistent(const FieldDescriptor& field) {
    if (field.nameFormat.empty() || field.selections < 1) return false;
    if (field.dimensions != conversionsIn(field.nameFormat)) return false;
    if (field.groups == 0) return field.dimensions == 0 && field.ranges.empty();
    if (field.dimensions < 1 || field.dimensions > static_cast<int>(kMaxDimensions)) return false;
    if (field.ranges.size() != static_cast<std::size_t>(field.selections * field.groups * field.dimensions))
        return false;
    std::array<bool, kMaxDimensions> seen{};
    for (int level = 0; level < field.dimensions; ++level) {
        const std::uint8_t dimension = field.order[static_cast<std::size_t>(level)];
        if (dimension >= field.dimensions || seen[dimension]) return false;
        seen[dimension] = true;
    }
    for (const IndexRange& range : field.ranges)
        if (range.low > range.high) return false;
    return true;
}

constexpr bool tableIsConsistent() {
    std::size_t subPages = 0;
    for (const auto& group : kGroups) {
        subPages += group.size();
        for (const SubPage& fields : group) {
            if (fields.empty()) return false;
            for (const FieldDescriptor& field : fields)
                if (!isConsistent(field)) return false;
        }
    }
    return subPages == kSubPageCount && kGroup4.size() == 195 && kGroup3.size() == 33 &&
           kGroup14.size() == 19;
}
static_assert(tableIsConsistent(), "every sub-page is listed and every descriptor fits its format");
static_assert(kGroup3[5][0].nameFormat == "h120", "the memory count leads group 3, sub-page 6");
static_assert(kGroups[kCommonPhonebookGroup - 1][0][0].nameFormat == phonebook::kCommonBook.nameFormat &&
                  kGroups[kMyPhonebookGroup - 1][0][0].nameFormat == phonebook::kMyBook.nameFormat,
              "the phonebooks' pages sit at the groups the page table gives them");

} // namespace

std::span<const SubPage> pageGroup(int group) {
    if (group < kFirstPageGroup || group > kLastPageGroup) return {};
    return kGroups[static_cast<std::size_t>(group - 1)];
}

const SubPage* subPage(int group, int subPageNumber) {
    const std::span<const SubPage> pages = pageGroup(group);
    if (subPageNumber < 1 || static_cast<std::size_t>(subPageNumber) > pages.size()) return nullptr;
    return &pages[static_cast<std::size_t>(subPageNumber - 1)];
}

} // namespace rk::web
