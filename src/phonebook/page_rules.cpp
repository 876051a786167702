#include "phonebook/page_rules.h"

#include <cstdio>
#include <string>

namespace rk::phonebook {
namespace {

// A name format's conversions read back: "%03d" takes exactly three digits, "%d" one.
std::optional<std::array<int, 3>> numbersOf(std::string_view format, std::string_view name) {
    std::array<int, 3> numbers{};
    std::size_t count = 0;
    std::size_t at = 0;
    for (std::size_t f = 0; f < format.size(); ++f) {
        if (format[f] != '%') {
            if (at >= name.size() || name[at] != format[f]) return std::nullopt;
            ++at;
            continue;
        }
        std::size_t width = 1;
        if (format.substr(f + 1, 3) == "03d") {
            width = 3;
            f += 3;
        } else {
            f += 1; // "%d"
        }
        if (at + width > name.size() || count == numbers.size()) return std::nullopt;
        int value = 0;
        for (std::size_t i = at; i < at + width; ++i) {
            if (name[i] < '0' || name[i] > '9') return std::nullopt;
            value = value * 10 + (name[i] - '0');
        }
        numbers[count++] = value;
        at += width;
    }
    if (at != name.size()) return std::nullopt;
    return numbers;
}

} // namespace

std::string pageRangeText(PageKind kind, int page) {
    const PageBook& book = pageBook(kind);
    if (page < 1 || page > book.pages) return {};
    const PageSpan span = pageSpan(kind, page);
    const std::string format(book.range);
    char text[32];
    if (kind == PageKind::System)
        std::snprintf(text, sizeof text, format.c_str(), span.firstMemory, span.lastMemory);
    else
        std::snprintf(text, sizeof text, format.c_str(), span.firstPosition, span.lastPosition);
    return text;
}

std::string pageTitle(PageKind kind, int page) {
    const std::string format(pageBook(kind).title);
    char text[128];
    std::snprintf(text, sizeof text, format.c_str(), page, pageRangeText(kind, page).c_str());
    return text;
}

std::optional<FieldAddress> fieldAddressOf(std::string_view name) {
    for (const PageKind kind : {PageKind::System, PageKind::Telephone}) {
        const PageBook& book = pageBook(kind);
        const std::optional<std::array<int, 3>> numbers = numbersOf(book.nameFormat, name);
        if (!numbers) continue;
        FieldAddress address;
        address.kind = kind;
        if (kind == PageKind::System) {
            address.memory = (*numbers)[0];
            address.subField = (*numbers)[1];
        } else {
            address.position = (*numbers)[0];
            address.memory = (*numbers)[1];
            address.subField = (*numbers)[2];
        }
        if (address.subField < 1 || address.subField > static_cast<int>(book.fields.size()))
            return std::nullopt;
        return address;
    }
    return std::nullopt;
}

std::string fieldNameOf(const FieldAddress& address) {
    const std::string format(pageBook(address.kind).nameFormat);
    char name[32];
    if (address.kind == PageKind::System)
        std::snprintf(name, sizeof name, format.c_str(), address.memory, address.subField);
    else
        std::snprintf(name, sizeof name, format.c_str(), address.position, address.memory, address.subField);
    return name;
}

} // namespace rk::phonebook
