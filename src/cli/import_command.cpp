// rkdial-cli import: contact lists (vCard, Google or Outlook CSV, a mapped spreadsheet, phonebook
// files) into a phonebook file, with readings made where the contacts have none and numbers made
// dialable. What other tools rely on: the options, the JSON keys and the exit status.
#include "cli/commands.h"
#include "cli/file_steps.h"
#include "cli/options.h"

#include "contacts/import.h"
#include "phonebook/phonebook.h"
#include "phonebook/phonebook_file.h"
#include "platform/text.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace rk::cli {
namespace {

constexpr int kExact = 0;
constexpr int kChanged = 1;
constexpr int kUnreadable = 2;

constexpr const char* kDescription =
    "Reads contact lists (vCard 2.1/3.0/4.0, Google Contacts CSV, Outlook CSV, a spreadsheet CSV or TSV\n"
    "whose columns --map names, the program's own phonebook files; the format is told by the content)\n"
    "into a phonebook and saves it to --out. Names are fitted to 20 Shift-JIS bytes, readings are the\n"
    "contact's own in half-width katakana or made with MeCab, numbers are made dialable from Japan.\n"
    "Prints one line per contact and a summary (--json: an array of objects with the keys source,\n"
    "record, memory, kanji, kana, kana_source, kana_candidates, number, status, changes).\n"
    "Exit status: 0 when every contact was stored exactly as given, 1 when anything was changed,\n"
    "made or left out, 2 when a source or --into cannot be read or --out cannot be written (then\n"
    "nothing is written). The outside-line --prefix is not counted as a change.";

struct CommandOptions {
    std::vector<std::string> sources;
    std::string kind;
    int position = 0;
    int memoryMode = 1;
    std::string into;
    std::string out;
    std::string mode = "append";
    std::string from;
    std::string sort;
    std::optional<int> group;
    std::string nameTemplate = "{family}{given}";
    std::string readings = "auto";
    std::string numbers;
    bool allNumbers = false;
    std::string prefix;
    std::string map;
    bool json = false;
};

// A memory or position number as written: decimal, leading zeros allowed ("005").
std::optional<int> decimal(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    int value = 0;
    for (char digit : text) {
        if (digit < '0' || digit > '9') return std::nullopt;
        value = value * 10 + (digit - '0');
    }
    return value;
}

// The command's options into the core's; nullopt after saying what is wrong.
std::optional<contacts::ImportOptions> importOptions(const CommandOptions& given, int memoryMode) {
    contacts::ImportOptions options;
    const auto fail = [](const std::string& message) {
        std::fprintf(stderr, "rkdial-cli import: %s\n", message.c_str());
        return std::nullopt;
    };
    options.kind = given.kind == "my" ? contacts::BookKind::My : contacts::BookKind::Common;
    options.position = given.position;
    options.mode = given.mode == "update"    ? contacts::PlacementMode::Update
                   : given.mode == "replace" ? contacts::PlacementMode::Replace
                                             : contacts::PlacementMode::Append;
    if (!given.from.empty()) {
        options.from = decimal(given.from);
        if (!options.from) return fail("--from: a memory number");
    }
    options.sortByReading = given.sort == "reading";
    options.group = given.group;
    options.nameTemplate = given.nameTemplate;
    options.readings = given.readings == "source" ? contacts::ReadingPolicy::Source
                       : given.readings == "none" ? contacts::ReadingPolicy::None
                                                  : contacts::ReadingPolicy::Auto;
    std::string error;
    if (!given.numbers.empty()) {
        std::optional<std::vector<contacts::NumberKind>> kinds =
            contacts::parseNumberKinds(given.numbers, error);
        if (!kinds) return fail("--numbers: " + error);
        options.numberKinds = std::move(*kinds);
    }
    options.allNumbers = given.allNumbers;
    options.prefix = given.prefix;
    if (!given.map.empty()) {
        std::optional<contacts::ColumnMap> map = contacts::parseColumnMap(given.map, error);
        if (!map) return fail(error);
        options.map = std::move(*map);
    }
    if (const std::string problem = contacts::checkOptions(options, memoryMode); !problem.empty())
        return fail(problem);
    return options;
}

std::string quoted(const std::string& utf8) {
    return nlohmann::json(utf8).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void printText(const contacts::ImportPlan& plan, const std::string& out) {
    for (const contacts::ImportRow& row : plan.rows) {
        const std::string memory = contacts::memoryLabel(plan, row);
        std::string line =
            row.source + ":" + std::to_string(row.record) + " memory " + (memory.empty() ? "-" : memory) +
            " kanji " + quoted(text::cp932ToUtf8(row.kanji)) + " kana " +
            quoted(text::cp932ToUtf8(row.kana)) + " (" + contacts::kanaSourceName(row.kanaSource) +
            ") number " + (row.number.empty() ? "-" : text::cp932ToUtf8(row.number)) + " " +
            contacts::statusName(row.status);
        for (std::size_t i = 0; i < row.changes.size(); ++i) line += (i == 0 ? ": " : "; ") + row.changes[i];
        std::printf("%s\n", line.c_str());
    }
    const contacts::ImportSummary summary = contacts::summarize(plan);
    std::printf(
        "%d contacts: %d stored, %d updated, %d duplicate, %d over capacity, %d invalid number, %d without a "
        "number; %d readings made; %d changed; saved to %s\n",
        summary.contacts, summary.stored, summary.updated, summary.duplicate, summary.overCapacity,
        summary.invalidNumber, summary.noNumber, summary.readingsMade, summary.changed, out.c_str());
}

void printJson(const contacts::ImportPlan& plan) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const contacts::ImportRow& row : plan.rows) {
        nlohmann::ordered_json object;
        object["source"] = row.source;
        object["record"] = row.record;
        const std::string memory = contacts::memoryLabel(plan, row);
        object["memory"] = memory.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(memory);
        object["kanji"] = text::cp932ToUtf8(row.kanji);
        object["kana"] = text::cp932ToUtf8(row.kana);
        object["kana_source"] = contacts::kanaSourceName(row.kanaSource);
        nlohmann::ordered_json candidates = nlohmann::ordered_json::array();
        for (const std::string& candidate : row.kanaCandidates)
            candidates.push_back(text::cp932ToUtf8(candidate));
        object["kana_candidates"] = std::move(candidates);
        object["number"] = row.number.empty() ? nlohmann::ordered_json()
                                              : nlohmann::ordered_json(text::cp932ToUtf8(row.number));
        object["status"] = contacts::statusName(row.status);
        object["changes"] = row.changes;
        rows.push_back(std::move(object));
    }
    std::printf("%s\n", rows.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

} // namespace

int runImport(Context& context, Arguments arguments) {
    CLI::App app(kDescription, "rkdial-cli import");
    CommandOptions given;
    app.add_option("SOURCE", given.sources, "contact lists and phonebook files")->required();
    app.add_option("--kind", given.kind, "the book the contacts go into")
        ->required()
        ->check(CLI::IsMember({"common", "my"}));
    addPositionOption(app, "--position", given.position, "--kind my: the telephone (101..200)");
    addMemoryOption(app, given.memoryMode)
        ->description("the memory count the book is laid out for (default 600; 990 gives 10 memories per "
                      "telephone)");
    app.add_option("--into", given.into, "the phonebook file the import goes into (default: an empty book)");
    app.add_option("--out", given.out, "the resulting phonebook file")->required();
    app.add_option("--mode", given.mode,
                   "append: into free memories (default); update: a contact whose number the book has keeps "
                   "that memory and gets its names, the others are appended; replace: the book becomes the "
                   "import")
        ->check(CLI::IsMember({"append", "update", "replace"}));
    app.add_option("--from", given.from, "the first memory to fill (default the book's first)");
    app.add_option("--sort", given.sort, "reading: the appended contacts in gojuon order of their readings")
        ->check(CLI::IsMember({"reading"}));
    app.add_option("--group", given.group,
                   "--kind common: the group (0..7, default 1) of contacts whose list gives none");
    app.add_option("--name", given.nameTemplate,
                   "the kanji name from {family}, {given}, {company} (default {family}{given}; the company "
                   "when a contact has no person name)");
    app.add_option("--readings", given.readings,
                   "source: only the contacts' own; auto: made where a contact has none (default); none")
        ->check(CLI::IsMember({"source", "auto", "none"}));
    app.add_option("--numbers", given.numbers,
                   "which numbers, in that order (default mobile,work,home,other; fax also)");
    app.add_flag("--all-numbers", given.allNumbers, "a memory for each number of a contact");
    app.add_option("--prefix", given.prefix, "an outside-line prefix for every number that is not short");
    app.add_option("--map", given.map,
                   "a spreadsheet's columns by their header text: name=COLUMN,reading=COLUMN,number=COLUMN"
                   "[,group=COLUMN][,company=COLUMN] (also mobile=, work=, home=)");
    app.add_flag("--json", given.json, "the contacts as JSON, without the summary");
    try {
        app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExact : kUnreadable;
    }

    const int memoryMode = given.memoryMode;
    const std::optional<contacts::ImportOptions> options = importOptions(given, memoryMode);
    if (!options) return kUnreadable;

    Workspace& workspace = context.workspace;
    phonebook::setMemoryMode(workspace, memoryMode);
    phonebook::clearSystemBook(workspace, memoryMode);
    phonebook::clearTelephoneBooks(workspace, memoryMode);
    const int fileKind = options->kind == contacts::BookKind::My ? phonebook::kMyPhonebookFile
                                                                 : phonebook::kCommonPhonebookFile;
    if (!given.into.empty() && !loadOperatorFile(context, given.into, fileKind)) return kUnreadable;

    std::vector<contacts::ContactSource> sources;
    for (const std::string& path : given.sources) {
        std::optional<contacts::ContactSource> source = contacts::loadContactSource(path);
        if (!source) {
            std::fprintf(stderr, "rkdial-cli import: cannot read %s\n", path.c_str());
            return kUnreadable;
        }
        sources.push_back(std::move(*source));
    }

    contacts::ReadingMaker maker;
    if (options->readings == contacts::ReadingPolicy::Auto && !maker.ready())
        std::fprintf(stderr, "rkdial-cli import: no readings can be made: %s\n", maker.problem().c_str());
    const contacts::ImportPlan plan = contacts::importContacts(workspace, sources, *options, maker);
    for (const contacts::SourceProblem& problem : plan.problems)
        std::fprintf(stderr, "rkdial-cli import: %s: %s\n", problem.source.c_str(), problem.problem.c_str());
    if (!plan.problems.empty()) return kUnreadable;

    if (!saveOperatorFile(context, given.out, fileKind)) return kUnreadable;
    if (given.json)
        printJson(plan);
    else
        printText(plan, given.out);
    return contacts::importExitStatus(plan) == kExact ? kExact : kChanged;
}

} // namespace rk::cli
