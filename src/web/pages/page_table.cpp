// Writes the page table of the phonebooks for the build of the edit pages:
//   page_table <rules.json> <pages.cmake>
// rules.json goes into the pages' rules script: what each field holds, the pages of both books
// and the memories of each memory count. pages.cmake gives the page build every page's file,
// title and range.
#include "image/speed_dial_tables.h"
#include "phonebook/page_rules.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using rk::phonebook::PageBook;
using rk::phonebook::PageKind;
using rk::phonebook::SubField;

// What a browser sends of a typed character as the character itself in an urlencoded form: the
// letters and digits and "*-._". Everything else arrives escaped, so no other terminator of the
// form decoder can end a value that was typed into a page.
bool sentAsItself(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') ||
           std::string_view("*-._").find(character) != std::string_view::npos;
}

std::string typedTerminators(rk::phonebook::ValueReading reading) {
    std::string ends(rk::phonebook::kPlainValueEnds);
    if (reading == rk::phonebook::ValueReading::Name) ends += rk::phonebook::kNameValueEnds;
    std::string typed;
    for (const char character : ends)
        if (sentAsItself(character)) typed += character;
    return typed;
}

std::string digits(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

std::string pageFile(const PageBook& book, int page) {
    return std::string(book.filePrefix) + digits(page, 2) + ".html";
}

nlohmann::json bookRules(const PageBook& book) {
    nlohmann::json rules;
    rules["name"] = book.nameFormat;
    rules["file"] = std::string(book.filePrefix) + "%02d.html";
    // Each book has one sub-page of data; its pages are the data script's selections.
    rules["data"] = std::string(book.filePrefix) + "01m.js";
    rules["title"] = book.title;
    rules["range"] = book.range;
    nlohmann::json pages = nlohmann::json::array();
    for (int page = 1; page <= book.pages; ++page) {
        const rk::phonebook::PageSpan span = rk::phonebook::pageSpan(book.kind, page);
        // First and last of each page in a row.
        const bool common = book.kind == PageKind::System;
        pages.push_back(common ? span.firstMemory : span.firstPosition);
        pages.push_back(common ? span.lastMemory : span.lastPosition);
    }
    rules["pages"] = pages;
    if (book.kind == PageKind::Telephone) rules["memories"] = {book.firstMemory, book.lastMemory};
    return rules;
}

nlohmann::json pageRules() {
    using namespace rk::phonebook;
    nlohmann::json rules;
    rules["common"] = std::to_string(kCommonBook.pageGroup);
    rules["my"] = std::to_string(kMyBook.pageGroup);
    rules["name"] = {{"limit", kNameBytes}, {"blanks", kNameMarkup}};
    for (const PageBook* book : {&kCommonBook, &kMyBook}) {
        for (const PageField& field : book->fields) {
            const std::string ends = typedTerminators(field.reading);
            switch (field.subField) {
            case SubField::Number:
                rules["number"] = {
                    {"limit", kNumberCharacters}, {"keep", kDiallingCharacters}, {"ends", ends}};
                break;
            case SubField::KanjiName:
            case SubField::KanaName:
                rules["fields"][std::string(field.kind)] = {{"ends", ends},
                                                            {"wide", keepsDoubleByte(field.subField)}};
                break;
            case SubField::Group:
                break;
            }
        }
        rules["books"][std::to_string(book->pageGroup)] = bookRules(*book);
    }
    // For each memory count: the common memories in use and the first memory of a telephone.
    for (const std::uint8_t mode : {std::uint8_t{1}, std::uint8_t{2}}) {
        const rk::image::LayoutGeometry geometry = rk::image::geometryOf(rk::image::layoutOf(mode));
        rules["modes"][std::to_string(mode)] = {geometry.systemMemories, geometry.firstTelephoneMemory};
    }
    return rules;
}

// A CMake string argument: quoted, with what CMake would read otherwise escaped.
std::string cmakeString(std::string_view text) {
    std::string out = "\"";
    for (const char character : text) {
        if (character == '\\' || character == '"' || character == '$' || character == ';') out += '\\';
        out += character;
    }
    return out + "\"";
}

std::string pageList() {
    using namespace rk::phonebook;
    std::string list = "# Written by page_table from the phonebook's page table.\n";
    for (const PageBook* book : {&kCommonBook, &kMyBook}) {
        const std::string name = book->kind == PageKind::System ? "COMMON" : "MY";
        list += "set(" + name + "_BOOK " + std::to_string(book->pageGroup) + ")\n";
        list += "set(" + name + "_PAGES " + std::to_string(book->pages) + ")\n";
        for (int page = 1; page <= book->pages; ++page) {
            const PageSpan span = pageSpan(book->kind, page);
            const bool common = book->kind == PageKind::System;
            const std::string prefix = "set(" + name + "_PAGE_" + std::to_string(page) + "_";
            list += prefix + "FILE " + cmakeString(pageFile(*book, page)) + ")\n";
            list += prefix + "TITLE " + cmakeString(pageTitle(book->kind, page)) + ")\n";
            list += prefix + "RANGE " + cmakeString(pageRangeText(book->kind, page)) + ")\n";
            list += prefix + "FIRST " + digits(common ? span.firstMemory : span.firstPosition, 3) + ")\n";
            list += prefix + "LAST " + digits(common ? span.lastMemory : span.lastPosition, 3) + ")\n";
        }
    }
    return list;
}

bool write(const char* path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) std::cerr << "page_table: cannot write " << path << "\n";
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: page_table <rules.json> <pages.cmake>\n";
        return 2;
    }
    return write(argv[1], pageRules().dump() + "\n") && write(argv[2], pageList()) ? 0 : 1;
}
