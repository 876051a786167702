#include "cli/options.h"

#include "phonebook/phonebook_file.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace rk::cli {
namespace {

// A whole number in decimal digits within a range; the message of a refused value names it.
CLI::Validator numberCheck(int lowest, int highest, const std::string& what) {
    return CLI::Validator(
        [lowest, highest, what](std::string& value) -> std::string {
            int number = 0;
            const char* end = value.data() + value.size();
            const auto [next, error] = std::from_chars(value.data(), end, number);
            const bool digitsOnly =
                !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
            if (digitsOnly && error == std::errc() && next == end && number >= lowest && number <= highest)
                return {};
            return "must be " + what + " from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                   ", not \"" + value + "\"";
        },
        std::to_string(lowest) + ".." + std::to_string(highest));
}

// Only a single-valued option may be given once; the policy keeps CLI11 from refusing it before
// the check after the parse can name it.
CLI::Option* single(CLI::Option* option) {
    return option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

} // namespace

CommandLine::CommandLine(std::string command, std::string help)
    : command_(std::move(command)), help_(std::move(help)), app_("", "rkdial-cli " + command_) {}

CLI::Option* CommandLine::value(const std::string& name, std::string& target,
                                const std::string& description) {
    return single(app_.add_option(name, target, description));
}

int CommandLine::usageError(const std::string& message) const {
    // The help's "Usage:" lines, so that the right form is in sight.
    const std::size_t end = help_.find("\n\n");
    const std::string usage = help_.substr(0, end == std::string::npos ? help_.size() : end + 1);
    std::fprintf(stderr, "rkdial-cli %s: %s\n%s", command_.c_str(), message.c_str(), usage.c_str());
    if (!usage.empty() && usage.back() != '\n') std::fputc('\n', stderr);
    return kUsageError;
}

std::optional<int> CommandLine::parse(Arguments arguments) {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app_.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::fputs(help_.c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }
    for (const CLI::Option* option : app_.get_options())
        if (!option->get_positional() && option->get_expected_max() == 1 && option->count() > 1)
            return usageError(option->get_name() + " is given " + std::to_string(option->count()) +
                              " times: give it once");
    return std::nullopt;
}

CLI::Option* addMemoryOption(CLI::App& app, int& memoryMode) {
    return single(app.add_option_function<std::string>(
                         "--memory",
                         [&memoryMode](const std::string& value) { memoryMode = value == "990" ? 2 : 1; },
                         "memories of the common phonebook, 600 or 990")
                      ->check(CLI::Validator(
                          [](std::string& value) -> std::string {
                              if (value == "600" || value == "990") return {};
                              return "must be 600 or 990, not \"" + value + "\"";
                          },
                          "600|990")));
}

CLI::Option* addPortOption(CLI::App& app, const std::string& name, int& port, int lowest,
                           const std::string& description) {
    return addNumberOption(app, name, port, lowest, 65535, "a port", description);
}

CLI::Option* addPositionOption(CLI::App& app, const std::string& name, int& position,
                               const std::string& description) {
    return single(
        app.add_option(name, position, description)->check(numberCheck(101, 200, "a telephone position")));
}

CLI::Option* addKindOption(CLI::App& app, int& kind) {
    return single(app.add_option_function<std::string>(
                         "--kind",
                         [&kind](const std::string& value) {
                             kind = value == "my" ? phonebook::kMyPhonebookFile
                                                  : phonebook::kCommonPhonebookFile;
                         },
                         "the phonebook, common or my")
                      ->check(CLI::Validator(
                          [](std::string& value) -> std::string {
                              if (value == "common" || value == "my") return {};
                              return "must be common or my, not \"" + value + "\"";
                          },
                          "common|my")));
}

CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int& number, int lowest, int highest,
                             const std::string& what, const std::string& description) {
    return single(app.add_option(name, number, description)->check(numberCheck(lowest, highest, what)));
}

} // namespace rk::cli
