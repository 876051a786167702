// How often the first made reading, and any of the first three, is a reading the dictionary gives,
// for family names, given names and full names. The names and readings come from SKK person-name
// dictionaries (Debian skkdic-extra: SKK-JISYO.jinmei for family and given names, marked 姓 and 名,
// SKK-JISYO.fullname for full names), read at run time; a name the dictionary gives under several
// readings counts as read right with any of them. The sample is spread evenly over the names in
// code-point order, the same on every run.
//
//   rkdial-reading-accuracy [--names N] [--jinmei FILE] [--fullname FILE] [--misses]
#include "contacts/kana.h"
#include "contacts/kanji_name.h"
#include "contacts/reading_maker.h"
#include "contacts/unicode.h"
#include "platform/text.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using rk::contacts::NameRole;

// name (UTF-8) → its readings (half-width CP932)
using NameReadings = std::map<std::string, std::set<std::string>>;

bool isKanji(char32_t codePoint) {
    return (codePoint >= 0x3400 && codePoint <= 0x9FFF) || codePoint == 0x3005; // 々
}

bool isHiragana(char32_t codePoint) {
    return (codePoint >= 0x3041 && codePoint <= 0x3096) || codePoint == 0x30FC;
}

// A name worth measuring: kanji (and hiragana), at least one kanji, nothing else.
bool measurable(const std::string& name) {
    bool kanji = false;
    for (std::size_t at = 0; at < name.size();) {
        const rk::contacts::Utf8Character character =
            rk::contacts::decodeUtf8(std::string_view(name).substr(at));
        at += character.length;
        if (isKanji(character.codePoint))
            kanji = true;
        else if (!isHiragana(character.codePoint))
            return false;
    }
    return kanji;
}

bool allHiragana(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const rk::contacts::Utf8Character character =
            rk::contacts::decodeUtf8(std::string_view(text).substr(at));
        at += character.length;
        if (!isHiragana(character.codePoint)) return false;
    }
    return !text.empty();
}

// Reads an SKK dictionary (EUC-JP): "reading /candidate;annotation/candidate;annotation/.../".
// Takes the candidates whose annotation starts with `mark` into the map of its category.
void readSkk(const std::string& path, const std::vector<std::pair<std::string, NameReadings*>>& marks) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "rkdial-reading-accuracy: cannot read %s (Debian package skkdic-extra)\n",
                     path.c_str());
        std::exit(2);
    }
    std::string raw;
    while (std::getline(file, raw)) {
        if (raw.empty() || raw.front() == ';') continue;
        const std::optional<std::string> line = rk::contacts::decodeCharset(raw, "EUC-JP");
        if (!line) continue;
        const std::size_t space = line->find(" /");
        if (space == std::string::npos) continue;
        const std::string reading = line->substr(0, space);
        if (!allHiragana(reading)) continue;
        const std::string halfWidth = rk::contacts::toHalfWidthKana(reading).cp932;
        std::string_view rest = std::string_view(*line).substr(space + 2);
        while (!rest.empty()) {
            const std::size_t slash = rest.find('/');
            const std::string_view entry = rest.substr(0, slash);
            rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
            const std::size_t semicolon = entry.find(';');
            if (semicolon == std::string_view::npos) continue;
            const std::string name(entry.substr(0, semicolon));
            const std::string_view annotation = entry.substr(semicolon + 1);
            for (const auto& [mark, names] : marks)
                if ((annotation == mark || annotation.starts_with(mark + ",")) && measurable(name))
                    (*names)[name].insert(halfWidth);
        }
    }
}

struct Figures {
    int names = 0;
    int first = 0;
    int firstThree = 0;
};

Figures measure(const NameReadings& all, NameRole role, int count, rk::contacts::ReadingMaker& maker,
                bool showMisses, const char* label) {
    Figures figures;
    if (all.empty()) return figures;
    const double step = static_cast<double>(all.size()) / count;
    auto name = all.begin();
    std::size_t index = 0;
    for (int taken = 0; taken < count && taken < static_cast<int>(all.size()); ++taken) {
        const auto wanted = static_cast<std::size_t>(taken * step);
        std::advance(name, static_cast<std::ptrdiff_t>(wanted - index));
        index = wanted;
        const rk::contacts::MadeReading made =
            maker.read(rk::contacts::withCommonForms(name->first), role, 3);
        ++figures.names;
        bool hit = false;
        for (std::size_t rank = 0; rank < made.candidates.size() && rank < 3; ++rank) {
            if (!name->second.contains(made.candidates[rank])) continue;
            if (rank == 0) ++figures.first;
            hit = true;
            break;
        }
        if (hit) ++figures.firstThree;
        if (showMisses && (made.candidates.empty() || !name->second.contains(made.candidates.front()))) {
            std::string candidates;
            for (const std::string& candidate : made.candidates)
                candidates += " " + rk::text::cp932ToUtf8(candidate);
            std::printf("miss %s %s: expected %s, made%s\n", label, name->first.c_str(),
                        rk::text::cp932ToUtf8(*name->second.begin()).c_str(), candidates.c_str());
        }
    }
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    int count = 500;
    std::string jinmei = "/usr/share/skk/SKK-JISYO.jinmei";
    std::string fullname = "/usr/share/skk/SKK-JISYO.fullname";
    bool showMisses = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--names" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (argument == "--jinmei" && i + 1 < argc)
            jinmei = argv[++i];
        else if (argument == "--fullname" && i + 1 < argc)
            fullname = argv[++i];
        else if (argument == "--misses")
            showMisses = true;
        else {
            std::fprintf(stderr,
                         "Usage: rkdial-reading-accuracy [--names N] [--jinmei FILE] [--fullname FILE] "
                         "[--misses]\n");
            return 2;
        }
    }
    rk::contacts::ReadingMaker maker;
    if (!maker.ready()) {
        std::fprintf(stderr, "rkdial-reading-accuracy: %s\n", maker.problem().c_str());
        return 2;
    }
    NameReadings family, given, full;
    readSkk(jinmei, {{"姓", &family}, {"名", &given}});
    readSkk(fullname, {{"フルネーム", &full}});

    std::printf("%-12s %8s %8s %8s %8s\n", "names", "in dict", "sampled", "top-1", "top-3");
    const struct {
        const char* label;
        const NameReadings& names;
        NameRole role;
    } categories[] = {{"family", family, NameRole::Family},
                      {"given", given, NameRole::Given},
                      {"full", full, NameRole::Full}};
    for (const auto& category : categories) {
        const Figures figures =
            measure(category.names, category.role, count, maker, showMisses, category.label);
        if (figures.names == 0) continue;
        std::printf("%-12s %8zu %8d %7.1f%% %7.1f%%\n", category.label, category.names.size(), figures.names,
                    100.0 * figures.first / figures.names, 100.0 * figures.firstThree / figures.names);
    }
    return 0;
}
