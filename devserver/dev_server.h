#pragma once
// devserver: a small index server and redirector for development, demos and integration tests.
// It is a tool of this project, not a product: enough of the server's side of the protocol for
// the client to connect, log in and register, plus hooks for tests to script frames to a client
// and read back every frame a client sent. It runs its own thread and listens on loopback.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "devserver/browse.h"
#include "devserver/channels.h"
#include "devserver/hot_lists.h"
#include "devserver/ignore_lists.h"
#include "devserver/share_index.h"
#include "devserver/user_info.h"
#include "platform/socket.h"
#include "protocol/message_type.h"

namespace tandril::devserver {

struct Frame {
    int type = 0;
    std::string payload;  // as sent, Windows-1252
};

struct DevServerOptions {
    std::uint16_t serverPort = 0;      // 0: any free port
    std::uint16_t redirectorPort = 0;  // 0: any free port
    int statsIntervalMs = 0;           // 214 statistics to every logged-in user; 0: never
    // Like some of the network's servers: before a login only 2, 6, 7, 11 and 300 are taken;
    // anything else is answered with error 0 "invalid command" and the connection is closed.
    bool loginCommandsOnly = false;
    // Whether the reachability test (300) finds the client's candidate ports.
    bool dataPortsReachable = true;
    // Whether 640 (direct browse) is answered; the servers built without it never answer.
    bool directBrowse = true;
    // Offered to every user right after the login (5), with the check value of their account:
    // the new version's text and its location ("host:path").
    std::optional<std::pair<std::string, std::string>> upgradeOffer;
    // Like a server built with resume support: 215 is answered with 216 lines and 217. Without it
    // 215 gets no answer at all.
    bool resumeSearch = true;
};

class DevServer {
public:
    explicit DevServer(DevServerOptions options = {});
    ~DevServer();
    DevServer(const DevServer&) = delete;
    DevServer& operator=(const DevServer&) = delete;

    bool Ok() const { return server_.valid() && redirector_.valid(); }
    std::uint16_t ServerPort() const;
    std::uint16_t RedirectorPort() const;

    // Scripting.
    void AddAccount(const std::string& user, const std::string& password);
    // The next login of `user` is refused with an error (type 0) carrying `text`.
    void RefuseLogin(const std::string& user, const std::string& text) { AnswerLogin(user, 0, text); }
    // The next login or registration of `user` is answered with this frame instead of 3.
    void AnswerLogin(const std::string& user, int type, const std::string& payload);
    // The next `count` redirector answers are "WAIT seconds".
    void AnswerWait(int count, int seconds);
    // The next redirector answer is exactly `text`.
    void AnswerRedirectorRaw(const std::string& text);
    // Sends a frame to a logged-in user; false when the user is not online.
    bool SendTo(const std::string& user, int type, const std::string& payload);
    // Sends raw bytes (possibly malformed) to a logged-in user.
    bool SendRawTo(const std::string& user, const std::string& bytes);
    // Offers a newer client to a logged-in user (5) with the check value their account gives, or
    // with `checkValue` when one is given; false when the user is not online.
    bool OfferUpgrade(const std::string& user, const std::string& version, const std::string& location,
                      std::optional<std::string> checkValue = std::nullopt);
    // Closes a user's connection.
    bool Disconnect(const std::string& user);

    // Channels. Members without a connection (a crowd for tests and benchmarks) join `channel`;
    // the connected members hear of each (406).
    void AddChannelMembers(const std::string& channel, const std::vector<Member>& members);
    // `user` says `text` in `channel` (403 to every member).
    void SayInChannel(const std::string& channel, const std::string& user, const std::string& text);
    // The server removes `user` from `channel` (401 to them, 407 to the others).
    void RemoveFromChannel(const std::string& channel, const std::string& user);
    // The members of a channel in the order they joined, and its topic.
    std::vector<std::string> ChannelMembers(const std::string& channel) const;
    std::string ChannelTopicOf(const std::string& channel) const;

    // People. A user's level ("User" unless set; a "Moderator" sees the extended information).
    void SetUserLevel(const std::string& user, const std::string& level);
    // Whom `user` lists on the hot list now.
    std::vector<std::string> HotListOf(const std::string& user) const;

    // Observation.
    std::vector<Frame> FramesFrom(const std::string& user) const;
    bool IsOnline(const std::string& user) const;
    int RedirectorRequests() const;
    // Frames refused with "invalid command" before a login (loginCommandsOnly).
    int RefusedBeforeLogin() const;
    // Waits until `user` sent a frame of `type` (or is online, for type -1); false on time-out.
    bool WaitFor(const std::string& user, int type, std::chrono::milliseconds timeout) const;
    // The files `user` shares now, in the order they were shared.
    std::vector<SharedFile> SharedFilesOf(const std::string& user) const;
    // Waits until `user` has no connection left; false on time-out.
    bool WaitOffline(const std::string& user, std::chrono::milliseconds timeout) const;

private:
    struct Connection {
        platform::Socket socket;
        std::string inbox;
        std::string user;         // set by a login or a registration
        std::vector<Frame> sent;  // before the user was known
    };
    void Run(std::stop_token stop);
    void AcceptRedirector();
    // False when the connection is to be closed.
    bool Handle(Connection& c, const Frame& f);
    void Reply(Connection& c, protocol::MessageType type, const std::string& payload);
    void LoginAs(Connection& c, const std::string& user, const std::string& lineSpeed, const std::string& dataPort,
                 const std::string& version = {});
    // The connection of a logged-in user, or null.
    Connection* Online(const std::string& user);
    // The name a logged-in user goes by, found without letter case; empty when not online.
    std::string OnlineName(const std::string& user) const;
    // Transfers: what one user asks of another is passed on.
    void HandleTransfer(Connection& c, const Frame& f);
    // The payload of 5 for a logged-in user (lock held).
    std::string UpgradePayload(const std::string& user, const std::string& version, const std::string& location,
                               const std::optional<std::string>& checkValue);
    void Wake();
    // Sends what the channels have for connected users (lock_ held).
    void Deliver(const std::vector<Delivery>& out);

    DevServerOptions options_;
    platform::Socket server_;
    platform::Socket redirector_;
    int wakePipe_[2] = {-1, -1};

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::map<std::string, std::string> accounts_;
    std::map<std::string, Frame> loginAnswers_;
    std::map<std::string, std::vector<Frame>> framesByUser_;
    ShareIndex shares_;
    Channels channels_;
    HotLists hotLists_;
    UserInfo userInfo_;
    IgnoreLists ignoreLists_;
    std::map<std::string, UserLine> lines_;
    std::deque<std::string> redirectorScript_;
    std::deque<std::pair<std::string, std::string>> outbox_;  // user, bytes
    std::vector<std::string> disconnects_;
    int redirectorRequests_ = 0;
    int refusedBeforeLogin_ = 0;
    std::jthread thread_;
};

}  // namespace tandril::devserver
