// A server that sends nonsense: frames of every type with random and malformed payloads, then a
// broken frame. The client must neither crash nor hang, and its data port must keep answering.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>

#include "devserver/dev_server.h"
#include "platform/socket.h"
#include "support/network_user.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

// Pieces a hostile payload is made of: numbers out of every range, quotes left open, names the
// parsers must not take as paths, and plain noise.
std::string Piece(std::mt19937& random) {
    static const char* const kPieces[] = {"",
                                          "0",
                                          "-1",
                                          "4294967296",
                                          "99999999999999999999999",
                                          "\"",
                                          "\"a b\"",
                                          "\\",
                                          "127.0.0.1",
                                          "16777343",
                                          "#x",
                                          "1:\\1\\a.mp3",
                                          "..\\..\\etc",
                                          "-2147483648",
                                          "nan",
                                          "0x10",
                                          "1e9",
                                          "\"\"",
                                          "user",
                                          "\x80\xff\xc3"};
    std::uniform_int_distribution<int> kind(0, 9);
    switch (kind(random)) {
        case 0:
            return std::string(std::uniform_int_distribution<std::size_t>(0, 3000)(random), 'x');
        case 1: {
            std::string noise(std::uniform_int_distribution<std::size_t>(0, 40)(random), '\0');
            for (char& c : noise) c = static_cast<char>(random());
            return noise;
        }
        default:
            return kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
    }
}

std::string Payload(std::mt19937& random) {
    std::string payload;
    const int fields = std::uniform_int_distribution<int>(0, 18)(random);
    for (int i = 0; i < fields; ++i) payload += (i ? " " : "") + Piece(random);
    return payload.substr(0, 8000);
}

// The data port greets a new connection with '1'.
bool DataPortAnswers(int port) {
    platform::Socket s;
    if (platform::ConnectBlocking({0x7F000001, static_cast<std::uint16_t>(port)}, 2s, s) != platform::ConnectResult::Connected)
        return false;
    char one = 0;
    return platform::WaitReadable(s.fd(), 5s) == platform::WaitResult::Ready && ::recv(s.fd(), &one, 1, 0) == 1 && one == '1';
}

}  // namespace

TEST(HostileServer, NonsenseOfEveryTypeNeitherEndsNorHangsTheClient) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    const int port = test::FreePort();
    test::NetworkUser ann{server, "ann", {.dataPort = port}};
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(DataPortAnswers(port));

    // HOSTILE_SEED replays a run.
    const char* replay = std::getenv("HOSTILE_SEED");
    const unsigned seed = replay ? static_cast<unsigned>(std::strtoul(replay, nullptr, 10)) : std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Every type the protocol knows lies in 0..1300; the rest are unknown to the client anyway.
    // The frames go from a thread of their own: this thread is the client's GUI thread, which
    // must keep reading them meanwhile.
    std::atomic<bool> cameBack{true};
    // Runs `send` on a thread of its own while this thread turns the client's event loop.
    auto sendWhileReading = [&](const std::function<void()>& send) {
        std::atomic<bool> done{false};
        std::jthread sender([&] {
            send();
            done = true;
        });
        return test::RunUntil([&] { return done.load(); }, 100s);
    };
    ASSERT_TRUE(sendWhileReading([&] {
        for (int round = 0; round < 4 && cameBack; ++round) {
            for (int type = 0; type <= 1300 && cameBack; ++type) {
                if (!server.IsOnline("ann")) cameBack = server.WaitFor("ann", -1, 20s);
                server.SendTo("ann", type, Payload(random));
            }
        }
    })) << "the client stopped reading";
    ASSERT_TRUE(cameBack) << "the client did not come back";

    // The server may move the data port (613), and did at random: it moves it to a port of its own.
    // Once the client listens there, it has read everything sent before. A disconnection still
    // unread when the message went loses it: it goes again once the client is back.
    const int settled = test::FreePort();
    bool moved = false;
    for (int tries = 0; tries < 5 && !moved; ++tries) {
        ASSERT_TRUE(sendWhileReading([&] {
            if (server.IsOnline("ann") || server.WaitFor("ann", -1, 20s)) server.SendTo("ann", 613, std::to_string(settled));
        }));
        moved = test::RunUntil([&] { return ann.client->state.account().dataPort == settled; }, 10s);
    }
    ASSERT_TRUE(moved) << "the client did not take the port";
    EXPECT_TRUE(DataPortAnswers(settled));

    // A frame that says it is longer than what follows, then noise: the link may go, the data port stays.
    ASSERT_TRUE(sendWhileReading([&] {
        server.SendRawTo("ann", std::string("\xff\xff\xc8\x00", 4) + "short");
        server.SendRawTo("ann", std::string(70000, '\x7f'));
    }));
    EXPECT_TRUE(DataPortAnswers(settled));
    int ticks = 0;
    EXPECT_TRUE(test::RunUntil([&] { return ++ticks > 3; }, 10s));
}
