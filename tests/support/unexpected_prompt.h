// How a message nobody expected fails the test that runs: GoogleTest's failure in the core tests,
// Qt Test's in the window tests (which define RKDIAL_TEST_QT). Called on the test's own thread.
#pragma once

#include "platform/text.h"

#include <string>

#if defined(RKDIAL_TEST_QT)
#include <QTest>
#else
#include <gtest/gtest.h>
#endif

namespace rk::testing {

inline void failOnUnexpectedPrompt(const std::string& cp932Text) {
    const std::string message = "a message nobody expected: \"" + text::cp932ToUtf8(cp932Text) + "\"";
#if defined(RKDIAL_TEST_QT)
    QTest::qFail(message.c_str(), __FILE__, __LINE__);
#else
    ADD_FAILURE() << message;
#endif
}

} // namespace rk::testing
