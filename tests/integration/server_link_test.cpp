#include "link/server_link.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <set>
#include <thread>

#include "protocol/framing.h"
#include "support/scripted_ui.h"

using namespace tandril;
using namespace tandril::link;
using namespace tandril::protocol;
using namespace std::chrono_literals;

namespace {

// A server link attached to one end of a real loopback connection; the test plays the server.
struct LinkPair {
    LinkPair() {
        platform::Socket listener = platform::ListenTcp(0, true);
        platform::Socket client;
        EXPECT_EQ(platform::ConnectBlocking({0x7F000001, platform::LocalPort(listener)}, 2s, client), platform::ConnectResult::Connected);
        peer.reset(::accept(listener.fd(), nullptr, nullptr));
        link.SetStallTimeout(5s);
        link.SetCallbacks({.sendFailed = [this] { ++sendFailures; },
                           .frameArrived = [this](int type, const std::string& p) { frames.emplace_back(type, p); },
                           .connectionLost = [this] { ++losses; }});
        link.Attach(std::move(client));
    }
    void Send(const std::string& bytes) { ASSERT_TRUE(platform::SendAllBlocking(peer.fd(), bytes)); }
    void ClosePeer() { peer.reset(); }
    std::string ReadFromLink(std::size_t n) {
        std::string got;
        char buf[4096];
        while (got.size() < n && platform::WaitReadable(peer.fd(), 2s) == platform::WaitResult::Ready) {
            ssize_t r = ::recv(peer.fd(), buf, std::min(sizeof buf, n - got.size()), 0);
            if (r <= 0) break;
            got.append(buf, static_cast<std::size_t>(r));
        }
        return got;
    }

    ThreadQueue gui;
    ServerLink link{gui};
    platform::Socket peer;
    int sendFailures = 0;
    int losses = 0;
    std::vector<std::pair<int, std::string>> frames;
};

std::string Header(unsigned length, unsigned type) {
    return {static_cast<char>(length & 0xFF), static_cast<char>(length >> 8), static_cast<char>(type & 0xFF), static_cast<char>(type >> 8)};
}

}  // namespace

TEST(ServerLinkReceive, BlockingReadsFollowTheFrameRules) {
    struct Case {
        const char* what;
        std::string bytes;
        bool closeAfter;
        std::size_t size;
        int expectedType;
        std::string expectedText;
    };
    const std::string untouched = "untouched";
    const Case cases[] = {
        {"empty payload", EncodeFrame(214, ""), false, 2048, 214, ""},
        {"2047 bytes fit the main buffer", Header(2047, 404) + std::string(2047, 'x'), false, 2048, 404, std::string(2047, 'x')},
        {"longer than the buffer: what fits is kept", Header(300, 201) + std::string(300, 'y'), false, 100, 201, std::string(99, 'y')},
        {"close inside the header", std::string("\x05\x00", 2), true, 2048, -1, untouched},
        {"close inside the payload", Header(10, 3) + "abc", true, 100, -1, "Disconnected!"},
        {"close before anything", "", true, 2048, -1, untouched},
        {"length with the top bit set", Header(0x8000, 1) + "zz", false, 2048, -1, untouched},
        {"wire text becomes UTF-8",
         EncodeFrame(404,
                     "C\xe2"
                     "ble \x80"),
         false, 2048, 404, "Câble €"},
    };
    for (const Case& c : cases) {
        LinkPair pair;
        pair.Send(c.bytes);
        if (c.closeAfter) pair.ClosePeer();
        std::string text = untouched;
        EXPECT_EQ(pair.link.ReceiveServerMessage(text, c.size), c.expectedType) << c.what;
        EXPECT_EQ(text, c.expectedText) << c.what;
    }
}

TEST(ServerLinkReceive, AnOversizeFrameIsReadWholeSoTheNextOneIsIntact) {
    LinkPair pair;
    pair.Send(Header(5000, 1) + std::string(5000, 'a') + EncodeFrame(2, "next"));
    std::string text;
    EXPECT_EQ(pair.link.ReceiveServerMessage(text, 100), 1);
    EXPECT_EQ(text.size(), 99u);
    EXPECT_EQ(pair.link.ReceiveServerMessage(text, 100), 2);
    EXPECT_EQ(text, "next");
}

TEST(ServerLinkSend, WritesWholeFramesAndCutsLongText) {
    LinkPair pair;
    EXPECT_EQ(pair.link.SendServerMessage(2, "alice pw 0 \"v2.0 BETA 9.4\" 8 4853 0"), 1);
    std::string expected = EncodeFrame(2, "alice pw 0 \"v2.0 BETA 9.4\" 8 4853 0");
    EXPECT_EQ(pair.ReadFromLink(expected.size()), expected);
    EXPECT_EQ(pair.link.SendServerMessage(404, std::string(5000, 'z')), 1);
    EXPECT_EQ(pair.ReadFromLink(2048), Header(2044, 404) + std::string(2044, 'z'));
    EXPECT_EQ(pair.link.SendServerMessage(404, "Câble"), 1);
    EXPECT_EQ(pair.ReadFromLink(9), Header(5, 404) +
                                        "C\xe2"
                                        "ble");
}

TEST(ServerLinkSend, WithoutAConnectionNothingIsSentAndNothingReported) {
    LinkPair pair;
    pair.link.Close();
    EXPECT_EQ(pair.link.SendServerMessage(2, "x"), 0);
    EXPECT_EQ(pair.sendFailures, 0);
    EXPECT_TRUE(test::RunUntil([&] { return platform::WaitReadable(pair.peer.fd(), 0ms) == platform::WaitResult::Ready; }));
    char c;
    EXPECT_EQ(::recv(pair.peer.fd(), &c, 1, 0), 0);  // the link closed; no frame came first
}

TEST(ServerLinkSend, AFailedSendReportsOnceAndReturnsZero) {
    LinkPair pair;
    pair.ClosePeer();
    int result = 1;
    for (int i = 0; i < 200 && result == 1; ++i) result = pair.link.SendServerMessage(404, std::string(1000, 'q'));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(pair.sendFailures, 1);
}

TEST(ServerLinkSend, FramesFromManyThreadsNeverInterleave) {
    LinkPair pair;
    constexpr int kThreads = 4, kFrames = 300;
    std::string received;
    std::jthread reader([&] { received = pair.ReadFromLink(kThreads * kFrames * (4 + 1500)); });
    {
        std::vector<std::jthread> senders;
        for (int t = 0; t < kThreads; ++t) {
            senders.emplace_back([&, t] {
                for (int i = 0; i < kFrames; ++i)
                    pair.link.SendServerMessage(static_cast<std::uint16_t>(t), std::string(1500, static_cast<char>('a' + t)));
            });
        }
    }
    reader.join();
    std::string_view rest = received;
    int count = 0;
    while (!rest.empty()) {
        auto frame = ParseFrame(rest);
        ASSERT_EQ(frame.status, FrameStatus::Complete);
        EXPECT_EQ(frame.payload, std::string(1500, static_cast<char>('a' + frame.type)));
        rest.remove_prefix(frame.consumed);
        ++count;
    }
    EXPECT_EQ(count, kThreads * kFrames);
}

TEST(ServerLinkNotifications, FramesInOneSegmentArriveOnePerEventLoopTurn) {
    LinkPair pair;
    std::vector<std::string> order;
    pair.link.SetCallbacks({.frameArrived = [&](int type, const std::string& p) {
        order.push_back(std::to_string(type) + ":" + p);
        // Anything posted while handling a frame runs before the next frame is handed over.
        QMetaObject::invokeMethod(
            &pair.link, [&order] { order.push_back("turn"); }, Qt::QueuedConnection);
    }});
    pair.link.EnableServerNotifications();
    pair.Send(EncodeFrame(404, "one") + EncodeFrame(214, "") + EncodeFrame(621, "three"));
    ASSERT_TRUE(test::RunUntil([&] { return order.size() >= 6; }));
    EXPECT_EQ(order, (std::vector<std::string>{"404:one", "turn", "214:", "turn", "621:three", "turn"}));
}

TEST(ServerLinkNotifications, FramesBufferedDuringLoginAreDeliveredOnceArmed) {
    LinkPair pair;
    pair.Send(EncodeFrame(3, "welcome") + EncodeFrame(214, "1 2 3"));
    std::string text;
    ASSERT_EQ(pair.link.ReceiveServerMessage(text, 100), 3);
    pair.link.EnableServerNotifications();
    ASSERT_TRUE(test::RunUntil([&] { return !pair.frames.empty(); }));
    EXPECT_EQ(pair.frames[0], (std::pair<int, std::string>{214, "1 2 3"}));
}

TEST(ServerLinkNotifications, CloseAndBrokenFramingEndTheConnectionOnce) {
    for (bool malformed : {false, true}) {
        LinkPair pair;
        pair.link.EnableServerNotifications();
        pair.Send(EncodeFrame(404, "last words"));
        if (malformed) {
            pair.Send(Header(0xFFFF, 1) + "junk");
        } else {
            pair.ClosePeer();
        }
        ASSERT_TRUE(test::RunUntil([&] { return pair.losses > 0; })) << malformed;
        QCoreApplication::processEvents();
        EXPECT_EQ(pair.losses, 1);
        ASSERT_EQ(pair.frames.size(), 1u);  // what came before the failure is still handed over
        EXPECT_EQ(pair.frames[0].second, "last words");
    }
}

TEST(ServerLinkNotifications, DisarmedLinkHandsNothingOver) {
    LinkPair pair;
    pair.link.EnableServerNotifications();
    pair.link.DisableServerNotifications();
    EXPECT_FALSE(pair.link.NotificationsArmed());
    pair.Send(EncodeFrame(404, "ignored"));
    test::RunUntil([] { return false; }, 200ms);
    EXPECT_TRUE(pair.frames.empty());
    std::string text;
    EXPECT_EQ(pair.link.ReceiveServerMessage(text, 100), 404);  // still there for a blocking reader
}
