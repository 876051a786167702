#include "cli/terminal_ui.h"
#include "platform/text.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using rk::testing::runCommand;

namespace {

const std::string kCli = RKDIAL_CLI_PATH;

} // namespace

TEST(CommandLine, HelpListsTheCommandsAndSucceeds) {
    auto result = runCommand(kCli + " --help 2>&1");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find("Usage: rkdial-cli COMMAND"), std::string::npos);
    EXPECT_NE(result.output.find("version"), std::string::npos);
}

TEST(CommandLine, VersionNamesTheRelease) {
    auto result = runCommand(kCli + " --version");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "rkdial-cli 5.1.0.1\n");
}

TEST(CommandLine, UnknownCommandOrNoneFails) {
    auto unknown = runCommand(kCli + " frobnicate 2>&1 >/dev/null");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.output.find("unknown command \"frobnicate\""), std::string::npos);
    auto none = runCommand(kCli + " 2>&1 >/dev/null");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("Usage:"), std::string::npos);
}

TEST(TerminalUi, MessagesAppearInUtf8WithoutTheirFramingLineFeeds) {
    EXPECT_EQ(
        rk::cli::terminalText(rk::text::toCp932("\nメモリ不足のため、\nサーバが起動できませんでした。\n")),
        "メモリ不足のため、\nサーバが起動できませんでした。");
    EXPECT_EQ(rk::cli::terminalText("\n\n"), "");
}

TEST(TerminalUi, QuestionsAreAnsweredFromTheOption) {
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    rk::cli::TerminalUi yes(sink, true);
    rk::cli::TerminalUi no(sink, false);
    using rk::platform::Answer;
    using rk::platform::Buttons;
    const rk::platform::MessageRequest question{{}, "q", "c", Buttons::YesNo, rk::platform::Icon::Question};
    EXPECT_EQ(yes.messageBox(question), Answer::Yes);
    EXPECT_EQ(no.messageBox(question), Answer::No);
    std::rewind(sink);
    char line[8] = {};
    ASSERT_NE(std::fgets(line, sizeof line, sink), nullptr);
    EXPECT_STREQ(line, "q\n");
    std::fclose(sink);
}
