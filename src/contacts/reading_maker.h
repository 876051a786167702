// Readings made for names that come without one, with MeCab and its IPA dictionary: several
// candidates, ranked, in half-width katakana (CP932). The dictionary is loaded once, when the
// maker is made; one maker serves any number of contacts, one call at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rk::contacts {

// What a text is, which decides the dictionary entries preferred for it.
enum class NameRole { Family, Given, Full, Organisation };

struct MadeReading {
    std::vector<std::string> candidates; // CP932, best first, no two alike
    std::vector<std::string> unread;     // UTF-8 characters no reading was found for (left out)
};

class ReadingMaker {
public:
    // Loads the dictionary from the folder given, or from where Debian's mecab-ipadic-utf8 puts it.
    explicit ReadingMaker(std::string dictionaryFolder = {});
    ~ReadingMaker();
    ReadingMaker(const ReadingMaker&) = delete;
    ReadingMaker& operator=(const ReadingMaker&) = delete;

    // False when MeCab or its dictionary could not be loaded; problem() says why.
    bool ready() const;
    const std::string& problem() const { return problem_; }

    // Up to `count` readings of a UTF-8 text, best first. Text that is already kana or ASCII is
    // its own reading. Nothing when the maker is not ready or the text is empty.
    MadeReading read(std::string_view utf8, NameRole role, std::size_t count = 5);

private:
    struct MeCabState;
    std::string characterReading(std::string_view character);

    std::unique_ptr<MeCabState> mecab_;
    std::string problem_;
};

// The folder MeCab's IPA dictionary in UTF-8 is found in, empty when none is installed.
std::string defaultDictionaryFolder();

} // namespace rk::contacts
