#include "contacts/reading_maker.h"

#include "contacts/kana.h"
#include "contacts/unicode.h"

#include <mecab.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <tuple>

namespace rk::contacts {
namespace {

// N-best paths looked at: enough to find the alternative readings of a short name, which come
// in the first few paths when they exist at all.
constexpr int kPaths = 8;

// The fields of an IPA dictionary feature: part of speech and three subdivisions, conjugation
// type and form, base form, reading, pronunciation. Unknown words end after the base form.
constexpr std::size_t kReadingField = 7;

std::vector<std::string_view> featureFields(const char* feature) {
    std::vector<std::string_view> fields;
    std::string_view rest(feature);
    for (;;) {
        const std::size_t comma = rest.find(',');
        fields.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return fields;
}

// A node's reading in half-width katakana; empty when the dictionary gives none or one that is
// not kana (symbols read as themselves).
std::string readingOf(const MeCab::Node* node) {
    if (node->stat != MECAB_NOR_NODE) return {};
    const std::vector<std::string_view> fields = featureFields(node->feature);
    if (fields.size() <= kReadingField || fields[kReadingField] == "*") return {};
    const HalfWidthReading reading = toHalfWidthKana(fields[kReadingField]);
    return reading.complete ? reading.cp932 : std::string();
}

// How well a whole-text dictionary entry suits the role: person names of the role's kind first,
// then other person names, then places (many family names are place names), then the rest.
int suitability(const MeCab::Node* node, NameRole role) {
    const std::vector<std::string_view> fields = featureFields(node->feature);
    const auto field = [&fields](std::size_t index) {
        return index < fields.size() ? fields[index] : std::string_view();
    };
    const bool person = field(1) == "固有名詞" && field(2) == "人名";
    if (person && role == NameRole::Family && field(3) == "姓") return 0;
    if (person && role == NameRole::Given && field(3) == "名") return 0;
    if (person) return 1;
    if (field(2) == "地域" && role == NameRole::Family) return 2;
    return 3;
}

void addCandidate(std::vector<std::string>& candidates, std::string candidate) {
    if (candidate.empty()) return;
    if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
        candidates.push_back(std::move(candidate));
}

} // namespace

struct ReadingMaker::MeCabState {
    MeCab::Model* model = nullptr;
    MeCab::Tagger* tagger = nullptr;
    MeCab::Lattice* lattice = nullptr;

    ~MeCabState() {
        delete lattice;
        delete tagger;
        delete model;
    }
};

std::string defaultDictionaryFolder() {
    for (const char* folder :
         {"/var/lib/mecab/dic/ipadic-utf8", "/usr/lib/x86_64-linux-gnu/mecab/dic/ipadic-utf8",
          "/usr/share/mecab/dic/ipadic-utf8"}) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::path(folder) / "sys.dic", error)) return folder;
    }
    return {};
}

ReadingMaker::ReadingMaker(std::string dictionaryFolder) {
    if (dictionaryFolder.empty()) dictionaryFolder = defaultDictionaryFolder();
    if (dictionaryFolder.empty()) {
        problem_ = "no MeCab dictionary: install mecab-ipadic-utf8";
        return;
    }
    // No resource file: everything MeCab needs is named here.
    const std::string arguments = "-r /dev/null -d " + dictionaryFolder;
    auto state = std::make_unique<MeCabState>();
    state->model = MeCab::createModel(arguments.c_str());
    if (state->model == nullptr) {
        problem_ = std::string("MeCab cannot load its dictionary: ") + MeCab::getLastError();
        return;
    }
    state->tagger = state->model->createTagger();
    state->lattice = state->model->createLattice();
    if (state->tagger == nullptr || state->lattice == nullptr) {
        problem_ = std::string("MeCab cannot start: ") + MeCab::getLastError();
        return;
    }
    mecab_ = std::move(state);
}

ReadingMaker::~ReadingMaker() = default;

bool ReadingMaker::ready() const {
    return mecab_ != nullptr;
}

std::string ReadingMaker::characterReading(std::string_view character) {
    MeCab::Lattice& lattice = *mecab_->lattice;
    const std::string text(character);
    lattice.set_request_type(MECAB_ONE_BEST);
    lattice.set_sentence(text.c_str());
    if (!mecab_->tagger->parse(&lattice)) return {};
    const MeCab::Node* best = nullptr;
    for (const MeCab::Node* node = lattice.begin_nodes(0); node != nullptr; node = node->bnext)
        if (node->length == text.size() && !readingOf(node).empty() &&
            (best == nullptr || node->wcost < best->wcost))
            best = node;
    return best == nullptr ? std::string() : readingOf(best);
}

MadeReading ReadingMaker::read(std::string_view utf8, NameRole role, std::size_t count) {
    MadeReading made;
    const std::string text(trimBlanks(utf8));
    if (text.empty() || !ready()) return made;
    if (const HalfWidthReading own = toHalfWidthKana(text); own.complete) {
        made.candidates.push_back(own.cp932);
        return made;
    }

    MeCab::Lattice& lattice = *mecab_->lattice;
    lattice.set_request_type(MECAB_NBEST);
    lattice.set_sentence(text.c_str());
    if (!mecab_->tagger->parse(&lattice)) return made;

    // Dictionary entries that span the whole text, for a name part: the dictionary knows many
    // names with more than one reading, each an entry of its own.
    std::vector<std::tuple<int, long, std::string>> whole;
    if (role == NameRole::Family || role == NameRole::Given) {
        for (const MeCab::Node* node = lattice.begin_nodes(0); node != nullptr; node = node->bnext) {
            if (node->length != text.size()) continue;
            std::string reading = readingOf(node);
            if (reading.empty()) continue;
            whole.emplace_back(suitability(node, role), static_cast<long>(node->wcost), std::move(reading));
        }
        std::stable_sort(whole.begin(), whole.end(), [](const auto& a, const auto& b) {
            return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
        });
    }

    // The best paths through the text, each read node by node. A character of an unknown word
    // is read alone afterwards: parsing it anew would replace the paths being walked.
    struct Segment {
        std::string reading;
        std::string unknown; // UTF-8 character still to be read
    };
    std::vector<std::vector<Segment>> paths;
    for (int path = 0; path < kPaths && lattice.next(); ++path) {
        std::vector<Segment>& segments = paths.emplace_back();
        for (const MeCab::Node* node = lattice.bos_node(); node != nullptr; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
            const std::string_view surface(node->surface, node->length);
            if (std::string known = readingOf(node); !known.empty()) {
                segments.push_back({std::move(known), {}});
                continue;
            }
            for (std::size_t at = 0; at < surface.size();) {
                const Utf8Character character = decodeUtf8(surface.substr(at));
                const std::string_view piece = surface.substr(at, character.length);
                at += character.length;
                if (const HalfWidthReading own = toHalfWidthKana(piece); own.complete)
                    segments.push_back({own.cp932, {}});
                else
                    segments.push_back({{}, std::string(piece)});
            }
        }
    }
    std::map<std::string, std::string> alone;
    std::vector<std::string> pathReadings;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        std::string reading;
        for (const Segment& segment : paths[index]) {
            if (segment.unknown.empty()) {
                reading += segment.reading;
                continue;
            }
            auto found = alone.find(segment.unknown);
            if (found == alone.end())
                found = alone.emplace(segment.unknown, characterReading(segment.unknown)).first;
            if (found->second.empty() && index == 0) made.unread.push_back(segment.unknown);
            reading += found->second;
        }
        pathReadings.push_back(std::move(reading));
    }

    for (const auto& [suits, cost, reading] : whole)
        if (suits <= 1) addCandidate(made.candidates, reading);
    for (std::string& reading : pathReadings) addCandidate(made.candidates, std::move(reading));
    for (const auto& [suits, cost, reading] : whole)
        if (suits > 1) addCandidate(made.candidates, reading);
    if (made.candidates.size() > count) made.candidates.resize(count);
    return made;
}

} // namespace rk::contacts
