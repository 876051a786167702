#include "net/tcp_socket.h"

#include "platform/text.h"
#include "support/progress_recorder.h"
#include "support/recording_ui.h"
#include "support/test_seam.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using rk::net::TcpSocket;

namespace {

// A connected pair on loopback: `near` is ours, `far` the peer's end.
struct LoopbackPair {
    TcpSocket listener;
    TcpSocket near;
    TcpSocket far;

    explicit LoopbackPair(const rk::platform::Seam& seam) : listener(seam), near(seam), far(seam) {
        listener.bindAddress = "127.0.0.1";
        EXPECT_EQ(listener.Create(), 1);
        EXPECT_EQ(listener.Listen(0, 2), 1);
        EXPECT_EQ(near.Create(), 1);
        EXPECT_EQ(near.Connect("127.0.0.1", listener.LocalPort()), 1);
        EXPECT_EQ(listener.Accept(far), 1);
    }

    void peerSends(std::string_view bytes) {
        ASSERT_EQ(far.Send(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    }
};

class TcpSocketTest : public ::testing::Test {
protected:
    // No pauses; time limits as they are unless a test shrinks them.
    rk::testing::TestSeam seam;
};

} // namespace

TEST_F(TcpSocketTest, LinesLoseTheirCrLfButKeepLoneCrAndLf) {
    LoopbackPair pair(seam);
    pair.peerSends("123456789012345\r\n\r\na\rb\nc\r\n");
    std::string line;
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 15);
    EXPECT_EQ(line, "123456789012345");
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 0);
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 5);
    EXPECT_EQ(line, "a\rb\nc");
}

TEST_F(TcpSocketTest, BytesReadAheadWithTheLinesGoToTheReadsAfterThem) {
    // Header lines and a body in one piece, as a main unit's answer comes: the lines take what is
    // theirs, the body reads get the rest, in order, however it was received.
    LoopbackPair pair(seam);
    pair.peerSends("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n<a>1</a>\nnext line\r\n");
    std::string line;
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 15);
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 17);
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 0);
    std::string body;
    EXPECT_EQ(pair.near.ReceiveExact(body, 9, 5), 9);
    EXPECT_EQ(body, "<a>1</a>\n");
    body.clear();
    EXPECT_EQ(pair.near.Receive(body, 4), 4);
    EXPECT_EQ(body, "next");
    int limit = 5;
    EXPECT_EQ(pair.near.ReadLineTimed(line, 1024, limit), 5);
    EXPECT_EQ(line, " line");
}

TEST_F(TcpSocketTest, LongLinesComeInPiecesOfSizeMinusOne) {
    LoopbackPair pair(seam);
    pair.peerSends("abcdefghij\r\n");
    std::string line;
    EXPECT_EQ(pair.near.ReadLine(line, 5), 4);
    EXPECT_EQ(line, "abcd");
    EXPECT_EQ(pair.near.ReadLine(line, 5), 4);
    EXPECT_EQ(line, "efgh");
    EXPECT_EQ(pair.near.ReadLine(line, 5), 2);
    EXPECT_EQ(line, "ij");
}

TEST_F(TcpSocketTest, PeerClosingGivesThePartialLineThenNothing) {
    LoopbackPair pair(seam);
    pair.peerSends("part");
    pair.far.Close();
    std::string line;
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 4);
    EXPECT_EQ(line, "part");
    EXPECT_EQ(pair.near.ReadLine(line, 1024), 0);
    int limit = 3;
    EXPECT_EQ(pair.near.ReadLineTimed(line, 1024, limit), 0);
    EXPECT_EQ(limit, 3);
}

TEST_F(TcpSocketTest, TimedReadAgainstASilentPeerExpiresAndSaysSo) {
    LoopbackPair pair(seam);
    std::string line;
    seam.clock.setLimitScale(0.01); // one second of limit is waited as 10 ms
    int limit = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pair.near.ReadLineTimed(line, 1024, limit), -1);
    EXPECT_EQ(limit, -1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9));
}

TEST_F(TcpSocketTest, TimedReadWithoutLimitWaitsForTheLine) {
    LoopbackPair pair(seam);
    std::thread late([&pair] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pair.peerSends("late\r\n");
    });
    std::string line;
    int limit = 0;
    EXPECT_EQ(pair.near.ReadLineTimed(line, 1024, limit), 4);
    EXPECT_EQ(limit, 0);
    late.join();
}

TEST_F(TcpSocketTest, SendAllGoesInPiecesAndReportsFromTheSecond) {
    LoopbackPair pair(seam);
    rk::testing::ProgressRecorder window(seam.progress, rk::platform::communicationProgressTitle());
    const std::string data(2500, 'x');
    EXPECT_EQ(pair.near.SendAll(data.data(), 2500, 1), 2500);
    EXPECT_EQ(window.values(rk::platform::WM_PRG_STEP), (std::vector<std::int64_t>{2048, 2500}));
    std::string received;
    EXPECT_EQ(pair.far.ReceiveExact(received, 2500, 5), 2500);
    EXPECT_EQ(received, data);
    EXPECT_EQ(pair.near.SendAll(data.data(), 2500, 0), 2500);
    EXPECT_EQ(window.posts().size(), 2u);
}

TEST_F(TcpSocketTest, ReportedReceiveAsksForAtMostOnePieceAtATime) {
    LoopbackPair pair(seam);
    rk::testing::ProgressRecorder window(seam.progress, rk::platform::communicationProgressTitle());
    const std::string data(2500, 'y');
    pair.peerSends(data);
    std::string received;
    EXPECT_EQ(pair.near.ReceiveExactReported(received, 2500, 5, 1), 2500);
    EXPECT_EQ(received, data);
    const auto totals = window.values(rk::platform::WM_PRG_STEP);
    ASSERT_FALSE(totals.empty());
    EXPECT_EQ(totals.back(), 2500);
    std::int64_t previous = 0;
    for (auto total : totals) {
        EXPECT_LE(total - previous, 1024);
        previous = total;
    }
}

TEST_F(TcpSocketTest, ExactReceiveStopsWhenThePeerClosesEarly) {
    LoopbackPair pair(seam);
    pair.peerSends("short");
    pair.far.Close();
    std::string received;
    EXPECT_EQ(pair.near.ReceiveExact(received, 100, 5), 5);
    EXPECT_EQ(received, "short");
}

TEST_F(TcpSocketTest, ExactReceiveTakesItsSecondThroughTheClock) {
    seam.clock.setPauseScale(0.02); // the second is paused as 20 ms
    LoopbackPair pair(seam);
    pair.peerSends("ab");
    std::string received;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pair.near.ReceiveExact(received, 2, 5), 2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));
}

TEST_F(TcpSocketTest, SendLineAppendsCrLf) {
    LoopbackPair pair(seam);
    EXPECT_EQ(pair.near.SendLine("GET / HTTP/1.1\r\n"), 18);
    std::string received;
    EXPECT_EQ(pair.far.ReceiveExact(received, 18, 5), 18);
    EXPECT_EQ(received, "GET / HTTP/1.1\r\n\r\n");
}

TEST_F(TcpSocketTest, CreateOnAnOpenSocketFailsAndCloseAlwaysSucceeds) {
    TcpSocket socket(seam);
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(socket.Close(), 1);
    EXPECT_EQ(socket.Create(), 1);
    EXPECT_EQ(socket.Create(), 0);
    EXPECT_TRUE(socket.isOpen());
    EXPECT_EQ(socket.Close(), 1);
    EXPECT_EQ(socket.Close(), 1);
    EXPECT_EQ(socket.Create(), 1); // reusable after Close
}

TEST_F(TcpSocketTest, BindFailureShowsItsMessageWithTheErrorCode) {
    rk::testing::RecordingUi ui;
    ui.answer(rk::platform::Answer::Ok);
    rk::testing::TestSeam recorded(ui);
    TcpSocket first(recorded);
    first.bindAddress = "127.0.0.1";
    ASSERT_EQ(first.Create(), 1);
    ASSERT_EQ(first.Listen(0, 2), 1);
    TcpSocket second(recorded);
    second.bindAddress = "127.0.0.1";
    ASSERT_EQ(second.Create(), 1);
    EXPECT_EQ(second.Listen(static_cast<std::uint16_t>(first.LocalPort()), 2), 0);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].text, rk::text::toCp932("\nバインドに失敗しました。\nerr:98"));
    EXPECT_EQ(ui.boxes()[0].caption, rk::text::toCp932("エラー"));
    EXPECT_EQ(ui.boxes()[0].icon, rk::platform::Icon::Exclamation);
    EXPECT_TRUE(second.isOpen()); // the caller closes it
}

TEST_F(TcpSocketTest, TimedAcceptGivesUpWithoutAConnection) {
    seam.clock.setLimitScale(0.01);
    TcpSocket listener(seam);
    listener.bindAddress = "127.0.0.1";
    listener.acceptLimitSeconds = 1;
    ASSERT_EQ(listener.Create(), 1);
    ASSERT_EQ(listener.Listen(0, 2), 1);
    TcpSocket accepted(seam);
    EXPECT_EQ(listener.AcceptTimed(accepted), 0);
    EXPECT_FALSE(accepted.isOpen());
}

TEST_F(TcpSocketTest, ConnectionFactsAndRefusals) {
    LoopbackPair pair(seam);
    EXPECT_EQ(pair.near.LocalAddress(), "127.0.0.1");
    EXPECT_EQ(pair.near.SetKeepAlive(true), 1);
    EXPECT_EQ(pair.far.type(), TcpSocket::kStream);
    EXPECT_EQ(pair.far.peerAddress().sin_family, AF_INET);

    const int closedPort = pair.listener.LocalPort();
    pair.listener.Close();
    TcpSocket refused(seam);
    ASSERT_EQ(refused.Create(), 1);
    EXPECT_EQ(refused.Connect("127.0.0.1", closedPort), 0);
    TcpSocket closed(seam);
    EXPECT_EQ(closed.Connect("127.0.0.1", closedPort), 0);
    EXPECT_EQ(closed.LocalAddress(), "");
    EXPECT_EQ(closed.SetKeepAlive(true), 0);
}
