#include "kvostudio/socket/tcpsocket.h"
#include "tests/support/fake_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::FakeService;
using testsupport::TcpMode;

class TcpSocketAgainstFake : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fake_.Start()); }

    // A client made the way the sign-in exchange makes it.
    bool Connect(CTcpSocket& s, int timeoutMs = 3000)
    {
        if (!s.Create())
            return false;
        s.SetConnectTimeout(timeoutMs);
        s.SetReceiveTimeout(timeoutMs);
        s.SetSendTimeout(timeoutMs);
        return s.Connect("127.0.0.1", fake_.TcpPort());
    }

    FakeService fake_;
};

TEST_F(TcpSocketAgainstFake, SendsOneRecordAndReceivesTheReply)
{
    const std::string reply = "1 " + std::string(36, 'A') + " BBBBBBBB 0000012345";
    fake_.SetTcpMode(TcpMode::Reply, reply, 123);
    CTcpSocket s;
    ASSERT_TRUE(Connect(s));
    char record[123];
    std::memset(record, ' ', sizeof record);
    record[122] = 0;
    EXPECT_EQ(s.Send(record, sizeof record), 123);
    char answer[59] = {};
    int got = 0;
    while (got < static_cast<int>(reply.size())) {
        const int n = s.Receive(answer + got, static_cast<int>(sizeof answer) - got);
        ASSERT_GT(n, 0);
        got += n;
    }
    EXPECT_EQ(std::string(answer, got), reply);
    EXPECT_TRUE(s.Close());
    EXPECT_FALSE(s.Close());
    const auto received = fake_.TcpReceived();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], std::string(record, sizeof record));
}

TEST_F(TcpSocketAgainstFake, ReadLineStopsAtLineFeedAndDropsCarriageReturn)
{
    fake_.SetTcpMode(TcpMode::Reply, "abc\r\n\r\nlonger line\nend", 0);
    CTcpSocket s;
    ASSERT_TRUE(Connect(s, 1000));
    char line[64];
    EXPECT_EQ(s.ReadLine(line, sizeof line), 3);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(s.ReadLine(line, sizeof line), 1);  // an empty line: the last receive's count
    EXPECT_STREQ(line, "");
    char small[5];
    EXPECT_EQ(s.ReadLine(small, sizeof small), 4);  // size - 1 characters
    EXPECT_STREQ(small, "long");
    EXPECT_EQ(s.ReadLine(line, sizeof line), 7);
    EXPECT_STREQ(line, "er line");
    // No line feed follows: the receive time-out ends the line.
    EXPECT_EQ(s.ReadLine(line, sizeof line), 3);
    EXPECT_STREQ(line, "end");
}

TEST_F(TcpSocketAgainstFake, ReadLineWithEchoSendsEachByteBack)
{
    fake_.SetTcpMode(TcpMode::Echo);
    CTcpSocket s;
    ASSERT_TRUE(Connect(s));
    ASSERT_EQ(s.SendString("hi\n"), 3);
    char line[16];
    // Reads "hi\n" as echoed by the peer and echoes it again.
    EXPECT_EQ(s.ReadLine(line, sizeof line, true), 2);
    EXPECT_STREQ(line, "hi");
    char again[3] = {};
    int got = 0;
    while (got < 3) {
        const int n = s.Receive(again + got, 3 - got);
        ASSERT_GT(n, 0);
        got += n;
    }
    EXPECT_EQ(std::string(again, 3), "hi\n");
}

TEST_F(TcpSocketAgainstFake, PeerThatClosesEndsTheLineAndSendsNeverRaiseSigpipe)
{
    fake_.SetTcpMode(TcpMode::CloseAtOnce);
    CTcpSocket s;
    ASSERT_TRUE(Connect(s));
    char line[16];
    EXPECT_EQ(s.ReadLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "");
    // Writing to a connection the peer closed fails with an error; the
    // process is not stopped by a signal.
    int last = 0;
    const std::string block(65536, 'x');
    for (int i = 0; i < 50 && last >= 0; ++i)
        last = s.Send(block.data(), static_cast<int>(block.size()));
    EXPECT_EQ(last, -1);
}

TEST_F(TcpSocketAgainstFake, SilentPeerFailsAfterTheReceiveTimeoutNotLater)
{
    fake_.SetTcpMode(TcpMode::Silent);
    CTcpSocket s;
    ASSERT_TRUE(Connect(s, 1000));
    char buffer[59];
    const auto start = Clock::now();
    EXPECT_EQ(s.Receive(buffer, sizeof buffer), -1);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
}

TEST(TcpSocketConnect, RefusedPortFailsAtOnceWithOrWithoutTimeout)
{
    const int port = FakeService::RefusedPort();
    for (const int timeout : {0, 3000}) {
        CTcpSocket s;
        ASSERT_TRUE(s.Create());
        s.SetConnectTimeout(timeout);
        const auto start = Clock::now();
        EXPECT_FALSE(s.Connect("127.0.0.1", port));
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    }
}

TEST(TcpSocketConnect, UnresolvableHostAndUnopenedSocketFail)
{
    CTcpSocket s;
    EXPECT_FALSE(s.Close());  // no socket: nothing to do
    EXPECT_FALSE(s.Connect("127.0.0.1", 80));
    ASSERT_TRUE(s.Create());
    EXPECT_FALSE(s.Connect("no-such-host.invalid", 80));
    EXPECT_FALSE(s.Connect("127.0.0.1", 0));
    EXPECT_EQ(s.Send("x", 1), -1);  // not connected
    EXPECT_TRUE(s.Close());
    char c;
    EXPECT_EQ(s.Receive(&c, 1), -1);
}

TEST(TcpSocketServer, ListensAcceptsAndExchanges)
{
    CTcpSocket server;
    ASSERT_TRUE(server.Create());
    int port = 0;
    // Find a free port near an ephemeral one the system hands out.
    for (int tries = 0; tries < 20 && port == 0; ++tries) {
        const int candidate = FakeService::RefusedPort();
        if (server.Bind(candidate))
            port = candidate;
    }
    ASSERT_NE(port, 0);
    ASSERT_TRUE(server.Listen(1));

    std::thread client([port] {
        CTcpSocket c;
        ASSERT_TRUE(c.Create());
        c.SetConnectTimeout(2000);
        c.SetReceiveTimeout(2000);
        ASSERT_TRUE(c.Connect("127.0.0.1", port));
        EXPECT_EQ(c.SendString("ping\r\n"), 6);
        char line[16];
        EXPECT_EQ(c.ReadLine(line, sizeof line), 4);
        EXPECT_STREQ(line, "pong");
    });
    CTcpSocket peer;
    EXPECT_FALSE(server.Accept(nullptr));
    ASSERT_TRUE(server.Accept(&peer));
    char line[16];
    EXPECT_EQ(peer.ReadLine(line, sizeof line), 4);
    EXPECT_STREQ(line, "ping");
    EXPECT_EQ(peer.SendString("pong\n"), 5);
    client.join();
}

}  // namespace
