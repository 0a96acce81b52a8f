// devserver's side of the protocol, driven over a real connection with raw frames.
#include "devserver/dev_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "protocol/framing.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

struct RawClient {
    explicit RawClient(std::uint16_t port) {
        EXPECT_EQ(platform::ConnectBlocking({0x7F000001, port}, 2s, socket), platform::ConnectResult::Connected);
    }
    void Send(int type, const std::string& payload) {
        ASSERT_TRUE(platform::SendAllBlocking(socket.fd(), protocol::EncodeFrame(static_cast<std::uint16_t>(type), payload)));
    }
    std::pair<int, std::string> Receive() {
        for (;;) {
            auto frame = protocol::ParseFrame(inbox);
            if (frame.status == protocol::FrameStatus::Complete) {
                std::pair<int, std::string> result{frame.type, std::string(frame.payload)};
                inbox.erase(0, frame.consumed);
                return result;
            }
            if (platform::WaitReadable(socket.fd(), 5s) != platform::WaitResult::Ready) return {-1, ""};
            char buf[4096];
            ssize_t n = ::recv(socket.fd(), buf, sizeof buf, 0);
            if (n <= 0) return {-1, ""};
            inbox.append(buf, static_cast<std::size_t>(n));
        }
    }
    platform::Socket socket;
    std::string inbox;
};

std::string AskRedirector(std::uint16_t port) {
    platform::Socket s;
    EXPECT_EQ(platform::ConnectBlocking({0x7F000001, port}, 2s, s), platform::ConnectResult::Connected);
    std::string reply;
    char buf[100];
    while (platform::WaitReadable(s.fd(), 2s) == platform::WaitResult::Ready) {
        ssize_t n = ::recv(s.fd(), buf, sizeof buf, 0);
        if (n <= 0) break;
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply;
}

}  // namespace

TEST(DevServer, RedirectorNamesTheServerOrSaysWait) {
    devserver::DevServer server;
    server.AnswerWait(1, 7);
    EXPECT_EQ(AskRedirector(server.RedirectorPort()), "WAIT 7\r\n");
    EXPECT_EQ(AskRedirector(server.RedirectorPort()), "127.0.0.1:" + std::to_string(server.ServerPort()) + "\r\n");
    EXPECT_EQ(server.RedirectorRequests(), 2);
}

TEST(DevServer, RegistersChecksNamesAndLogsIn) {
    devserver::DevServer server;
    server.AddAccount("taken", "pw");
    RawClient c(server.ServerPort());
    struct Step {
        int type;
        std::string payload;
        int replyType;
    };
    const Step steps[] = {
        {7, "taken", 9},
        {7, "bad*name", 10},
        {7, "newbie", 8},
        {11, "taken pw", 12},
        {11, "taken wrong", 0},
        {6, "taken x 0 \"v2.0 BETA 9.4\" 8 a@b.c 0", 0},
        {6, "newbie secret 6699 \"v2.0 BETA 9.4\" 8 newbie@example.org 0", 3},
        {750, "1765000000", 750},
    };
    for (const Step& s : steps) {
        c.Send(s.type, s.payload);
        auto reply = c.Receive();
        EXPECT_EQ(reply.first, s.replyType) << s.type << " " << s.payload;
        if (s.type == 750) {
            EXPECT_EQ(reply.second, s.payload);
        }
    }
    EXPECT_TRUE(server.IsOnline("newbie"));
    auto frames = server.FramesFrom("newbie");  // everything this connection sent, from its first frame
    ASSERT_EQ(frames.size(), std::size(steps));
    EXPECT_EQ(frames.front().type, 7);
}

TEST(DevServer, LoginRefusalsAndScriptedFrames) {
    devserver::DevServerOptions options;
    options.statsIntervalMs = 20;
    devserver::DevServer server(options);
    server.AddAccount("ann", "right");
    RawClient wrong(server.ServerPort());
    wrong.Send(2, "ann wrong 0 \"v2.0 BETA 9.4\" 0 4853 0");
    EXPECT_EQ(wrong.Receive(), (std::pair<int, std::string>{0, "invalid password"}));

    RawClient right(server.ServerPort());
    right.Send(920, "1");
    right.Send(2, "ann right 0 \"v2.0 BETA 9.4\" 0 4853 0");
    EXPECT_EQ(right.Receive().first, 3);
    // The statistics count what is really shared: users, files, whole gigabytes.
    EXPECT_EQ(right.Receive(), (std::pair<int, std::string>{214, "1 0 0"}));
    right.Send(100, "\"C:\\Music\\big.mp3\" 0123456789abcdef0123456789abcdef 2000000000 128 44100 60");
    std::pair<int, std::string> stats;
    do stats = right.Receive();
    while (stats == std::pair<int, std::string>{214, "1 0 0"});
    EXPECT_EQ(stats, (std::pair<int, std::string>{214, "1 1 1"}));
    ASSERT_TRUE(server.SendTo("ann", 404, "scripted"));
    std::pair<int, std::string> got;
    do got = right.Receive();
    while (got.first == 214);
    EXPECT_EQ(got, (std::pair<int, std::string>{404, "scripted"}));
    EXPECT_TRUE(server.WaitFor("ann", 920, 1s));

    server.RefuseLogin("bo", "Server is full");
    RawClient refused(server.ServerPort());
    refused.Send(2, "bo x 0 \"v\" 0 4853 0");
    EXPECT_EQ(refused.Receive(), (std::pair<int, std::string>{0, "Server is full"}));
}

TEST(ShareIndex, KeepsEachUsersFilesAndWithdrawsThemByTheBareName) {
    devserver::ShareIndex index;
    index.ShareBatch("ann", "\"1:\\1\\\" \"Rock\\a.mp3\" h-1 100 128 44100 60 \"Rock\\b c.mp3\" h-2 200 192 48000 61");
    index.ShareOne("ann", "\"2:\\2\\x.mp3\" h-3 300 -1 -1 -1");
    index.ShareBatch("bob", "\"1:\\1\\\" \"y.mp3\" h-4 400 128 44100 60 \"broken.mp3\" h-5 notanumber 1 2 3 \"after.mp3\" h 1 2 3 4");
    auto ann = index.FilesOf("ann");
    ASSERT_EQ(ann.size(), 3u);
    EXPECT_EQ(ann[1], (devserver::SharedFile{"1:\\1\\Rock\\b c.mp3", "h-2", 200, 192, 48000, 61}));
    EXPECT_EQ(ann[2], (devserver::SharedFile{"2:\\2\\x.mp3", "h-3", 300, -1, -1, -1}));
    EXPECT_EQ(index.FilesOf("bob").size(), 1u);  // a malformed entry ends its batch
    // The whole payload of 102 is the name: a quoted name matches nothing.
    EXPECT_FALSE(index.Unshare("ann", "\"1:\\1\\Rock\\a.mp3\""));
    EXPECT_TRUE(index.Unshare("ann", "1:\\1\\Rock\\a.mp3"));
    EXPECT_FALSE(index.Unshare("ann", "1:\\1\\Rock\\a.mp3"));
    EXPECT_EQ(index.FilesOf("ann").size(), 2u);
    index.KeepOnly({"bob"});
    EXPECT_TRUE(index.FilesOf("ann").empty());
    EXPECT_EQ(index.FilesOf("bob").size(), 1u);
}
