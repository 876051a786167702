#include "platform/text.h"
#include "platform/ui.h"
#include "support/recording_ui.h"

#include <gtest/gtest.h>

using namespace rk::platform;

TEST(OperatorSeam, ErrorBoxHasTheStandardCaptionButtonAndIcon) {
    rk::testing::RecordingUi recorder;
    recorder.answer(Answer::Ok);
    showError(recorder, {nullptr, "menu"}, rk::text::toCp932("\nテスト\n"));
    const auto boxes = recorder.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "\x83\x47\x83\x89\x81\x5B"); // エラー
    EXPECT_EQ(boxes[0].text, "\n\x83\x65\x83\x58\x83\x67\n");
    EXPECT_EQ(boxes[0].buttons, Buttons::Ok);
    EXPECT_EQ(boxes[0].icon, Icon::Exclamation);
    EXPECT_EQ(boxes[0].owner.name, "menu");
    EXPECT_TRUE(recorder.unexpectedPrompts().empty());
}

TEST(OperatorSeam, QuestionsAreAnsweredFromTheQueueInOrder) {
    rk::testing::RecordingUi recorder;
    recorder.answer(Answer::No);
    recorder.answer(Answer::Yes);
    EXPECT_EQ(askQuestion(recorder, {}, "a", "c", Buttons::YesNo), Answer::No);
    EXPECT_EQ(askQuestion(recorder, {}, "b", "c", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(recorder.boxes().at(1).icon, Icon::Question);
    EXPECT_TRUE(recorder.unexpectedPrompts().empty());
}

TEST(OperatorSeam, AnUnforeseenPromptIsRecordedAndAnsweredNegatively) {
    rk::testing::RecordingUi recorder;
    EXPECT_EQ(askQuestion(recorder, {}, "surprise", "c", Buttons::YesNo), Answer::No);
    recorder.errorNotice("notice");
    const std::vector<std::string> unexpected = recorder.takeUnexpectedPrompts();
    EXPECT_EQ(unexpected, (std::vector<std::string>{"surprise", "notice"}));
    EXPECT_TRUE(recorder.unexpectedPrompts().empty());
}

TEST(OperatorSeam, WaitCursorIsRestoredOnEveryPath) {
    rk::testing::RecordingUi recorder;
    try {
        WaitCursor cursor(recorder);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(recorder.cursorChanges(), (std::vector<bool>{true, false}));
}

TEST(OperatorSeam, SilentUiAnswersEveryQuestionWithItsDefault) {
    SilentUi silent;
    EXPECT_EQ(silent.messageBox({{}, "x", "y", Buttons::YesNo, Icon::Question}), Answer::Yes);
    EXPECT_EQ(silent.messageBox({{}, "x", "y", Buttons::OkCancel, Icon::Question}), Answer::Ok);
}
