#include "devserver/dev_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/app_state.h"
#include "base/text.h"
#include "base/wire_text.h"
#include "devserver/private_messages.h"
#include "devserver/resume_search.h"
#include "protocol/framing.h"
#include "protocol/upgrade_messages.h"
#include "upgrade/check_value.h"

namespace tandril::devserver {

using protocol::MessageType;

using namespace std::chrono_literals;

namespace {

bool ValidName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-' || c == '[' || c == ']'; });
}

}  // namespace

DevServer::DevServer(DevServerOptions options)
    : options_(options),
      channels_([this](const std::string& user) {
          // Runs under lock_, from the channels' handlers.
          Member m;
          m.files = static_cast<long long>(shares_.FilesOf(user).size());
          m.lineSpeed = lines_[user].lineSpeed;
          return m;
      }),
      hotLists_([this](const std::string& user) { return lines_[user].lineSpeed; }),
      userInfo_([this](const std::string& user) {
          const UserLine& line = lines_[user];
          char dotted[INET_ADDRSTRLEN] = "";
          in_addr address{line.address};
          ::inet_ntop(AF_INET, &address, dotted, sizeof dotted);
          return OnlineFacts{static_cast<long long>(shares_.FilesOf(user).size()), line.lineSpeed, channels_.ChannelsOf(user), dotted,
                             line.dataPort};
      }),
      ignoreLists_([this](const std::string& user) {
          return std::any_of(accounts_.begin(), accounts_.end(), [&](auto& account) { return EqualsNoCase(account.first, user); });
      }) {
    server_ = platform::ListenTcp(options.serverPort, true);
    redirector_ = platform::ListenTcp(options.redirectorPort, true);
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    if (Ok()) thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

DevServer::~DevServer() {
    if (thread_.joinable()) {
        thread_.request_stop();
        Wake();
        thread_.join();
    }
    for (int fd : wakePipe_) {
        if (fd >= 0) ::close(fd);
    }
}

std::uint16_t DevServer::ServerPort() const {
    return platform::LocalPort(server_);
}
std::uint16_t DevServer::RedirectorPort() const {
    return platform::LocalPort(redirector_);
}

void DevServer::Wake() {
    char c = 1;
    [[maybe_unused]] auto n = ::write(wakePipe_[1], &c, 1);
}

void DevServer::AddAccount(const std::string& user, const std::string& password) {
    std::scoped_lock lock(lock_);
    accounts_[user] = password;
}

void DevServer::AnswerLogin(const std::string& user, int type, const std::string& payload) {
    std::scoped_lock lock(lock_);
    loginAnswers_[user] = Frame{type, payload};
}

void DevServer::AnswerWait(int count, int seconds) {
    std::scoped_lock lock(lock_);
    for (int i = 0; i < count; ++i) redirectorScript_.push_back("WAIT " + std::to_string(seconds) + "\r\n");
}

void DevServer::AnswerRedirectorRaw(const std::string& text) {
    std::scoped_lock lock(lock_);
    redirectorScript_.push_back(text);
}

bool DevServer::SendTo(const std::string& user, int type, const std::string& payload) {
    return SendRawTo(user, protocol::EncodeFrame(static_cast<std::uint16_t>(type), payload));
}

std::string DevServer::UpgradePayload(const std::string& user, const std::string& version, const std::string& location,
                                      const std::optional<std::string>& checkValue) {
    const UserLine& line = lines_[user];
    std::string value = checkValue ? *checkValue
                                   : upgrade::UpgradeCheckValue(FromWireText(user), FromWireText(accounts_[user]), line.dataPort,
                                                                line.lineSpeed, kVersionText);
    return protocol::UpgradeOffer{version, location, value}.Encode();
}

bool DevServer::OfferUpgrade(const std::string& user, const std::string& version, const std::string& location,
                             std::optional<std::string> checkValue) {
    std::string payload;
    {
        std::scoped_lock lock(lock_);
        if (!Online(user)) return false;
        payload = UpgradePayload(user, version, location, checkValue);
    }
    return SendTo(user, static_cast<int>(MessageType::UpgradeOffer), payload);
}

bool DevServer::SendRawTo(const std::string& user, const std::string& bytes) {
    {
        std::scoped_lock lock(lock_);
        bool online = std::any_of(connections_.begin(), connections_.end(), [&](auto& c) { return c->user == user; });
        if (!online) return false;
        outbox_.emplace_back(user, bytes);
    }
    Wake();
    return true;
}

void DevServer::Deliver(const std::vector<Delivery>& out) {
    for (const Delivery& d : out) {
        if (ignoreLists_.Drops(d)) continue;  // the server filters what ignored users say
        outbox_.emplace_back(d.user, protocol::EncodeFrame(static_cast<std::uint16_t>(d.type), d.payload));
    }
}

void DevServer::AddChannelMembers(const std::string& channel, const std::vector<Member>& members) {
    {
        std::scoped_lock lock(lock_);
        std::vector<Delivery> out;
        channels_.AddScriptedMembers(channel, members, out);
        Deliver(out);
    }
    Wake();
}

void DevServer::SayInChannel(const std::string& channel, const std::string& user, const std::string& text) {
    {
        std::scoped_lock lock(lock_);
        std::vector<Delivery> out;
        channels_.Say(channel, user, text, out);
        Deliver(out);
    }
    Wake();
}

void DevServer::RemoveFromChannel(const std::string& channel, const std::string& user) {
    {
        std::scoped_lock lock(lock_);
        std::vector<Delivery> out;
        channels_.Remove(channel, user, out);
        Deliver(out);
    }
    Wake();
}

std::vector<std::string> DevServer::ChannelMembers(const std::string& channel) const {
    std::scoped_lock lock(lock_);
    return channels_.MembersOf(channel);
}

std::string DevServer::ChannelTopicOf(const std::string& channel) const {
    std::scoped_lock lock(lock_);
    return channels_.TopicOf(channel);
}

bool DevServer::Disconnect(const std::string& user) {
    {
        std::scoped_lock lock(lock_);
        disconnects_.push_back(user);
    }
    Wake();
    return true;
}

void DevServer::SetUserLevel(const std::string& user, const std::string& level) {
    std::scoped_lock lock(lock_);
    userInfo_.SetLevel(user, level);
}

std::vector<std::string> DevServer::HotListOf(const std::string& user) const {
    std::scoped_lock lock(lock_);
    return hotLists_.ListOf(user);
}

std::vector<Frame> DevServer::FramesFrom(const std::string& user) const {
    std::scoped_lock lock(lock_);
    auto it = framesByUser_.find(user);
    return it == framesByUser_.end() ? std::vector<Frame>{} : it->second;
}

bool DevServer::IsOnline(const std::string& user) const {
    std::scoped_lock lock(lock_);
    return std::any_of(connections_.begin(), connections_.end(), [&](auto& c) { return c->user == user; });
}

int DevServer::RefusedBeforeLogin() const {
    std::scoped_lock lock(lock_);
    return refusedBeforeLogin_;
}

std::vector<SharedFile> DevServer::SharedFilesOf(const std::string& user) const {
    std::scoped_lock lock(lock_);
    return shares_.FilesOf(user);
}

int DevServer::RedirectorRequests() const {
    std::scoped_lock lock(lock_);
    return redirectorRequests_;
}

bool DevServer::WaitFor(const std::string& user, int type, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, timeout, [&] {
        if (type < 0) return std::any_of(connections_.begin(), connections_.end(), [&](auto& c) { return c->user == user; });
        auto it = framesByUser_.find(user);
        return it != framesByUser_.end() &&
               std::any_of(it->second.begin(), it->second.end(), [&](const Frame& f) { return f.type == type; });
    });
}

bool DevServer::WaitOffline(const std::string& user, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(lock_);
    return changed_.wait_for(
        lock, timeout, [&] { return std::none_of(connections_.begin(), connections_.end(), [&](auto& c) { return c->user == user; }); });
}

void DevServer::AcceptRedirector() {
    platform::Socket peer(::accept4(redirector_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!peer) return;
    std::string answer;
    {
        std::scoped_lock lock(lock_);
        ++redirectorRequests_;
        if (!redirectorScript_.empty()) {
            answer = redirectorScript_.front();
            redirectorScript_.pop_front();
        } else {
            answer = "127.0.0.1:" + std::to_string(ServerPort()) + "\r\n";
        }
    }
    platform::SendAllBlocking(peer.fd(), answer);
}

void DevServer::Reply(Connection& c, MessageType type, const std::string& payload) {
    platform::SendAllBlocking(c.socket.fd(), protocol::EncodeFrame(static_cast<std::uint16_t>(type), payload));
}

void DevServer::LoginAs(Connection& c, const std::string& user, const std::string& lineSpeed, const std::string& dataPort,
                        const std::string& version) {
    c.user = user;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    UserLine& line = lines_[user];
    if (::getpeername(c.socket.fd(), reinterpret_cast<sockaddr*>(&peer), &length) == 0) line.address = peer.sin_addr.s_addr;
    line.lineSpeed = std::atoi(lineSpeed.c_str());
    line.dataPort = std::atoi(dataPort.c_str());
    userInfo_.SignedOn(user, version, ntohs(peer.sin_port));
    auto& frames = framesByUser_[user];
    frames.insert(frames.end(), c.sent.begin(), c.sent.end());
    c.sent.clear();
}

std::string DevServer::OnlineName(const std::string& user) const {
    for (auto& c : connections_) {
        if (!c->user.empty() && EqualsNoCase(c->user, user)) return c->user;
    }
    return {};
}

DevServer::Connection* DevServer::Online(const std::string& user) {
    for (auto& c : connections_) {
        if (c->user == user) return c.get();
    }
    return nullptr;
}

// Runs with lock_ held. The address in 204 is the IPv4 address's bytes in memory order read as one
// number, as the network's servers send it.
void DevServer::HandleTransfer(Connection& c, const Frame& f) {
    auto field = [&](int n) { return GetField(f.payload, n, 512).value_or(""); };
    const std::string other = field(1), name = field(2);
    Connection* peer = Online(other);
    switch (static_cast<MessageType>(f.type)) {
        case MessageType::DownloadRequest:
            if (!peer) {
                Reply(c, MessageType::DownloadFailed, other + " \"" + name + "\"");
            } else {
                Reply(*peer, MessageType::UploadRequest, c.user + " \"" + name + "\" " + std::to_string(lines_[c.user].lineSpeed));
            }
            break;
        case MessageType::UploadAccepted:
            if (peer) {
                const SharedFile* file = shares_.Find(c.user, FromWireText(name));
                const UserLine& line = lines_[c.user];
                Reply(*peer, MessageType::DownloadAddress,
                      c.user + " " + std::to_string(line.address) + " " + std::to_string(line.dataPort) + " \"" + name + "\" " +
                          (file ? file->hash : std::string("00000000000000000000000000000000")) + " " + std::to_string(line.lineSpeed));
            }
            break;
        case MessageType::PushRequest:
            if (peer) {
                const UserLine& line = lines_[c.user];
                const SharedFile* file = shares_.Find(other, FromWireText(name));
                Reply(*peer, MessageType::PushAsked,
                      c.user + " " + std::to_string(line.address) + " " + std::to_string(line.dataPort) + " \"" + name + "\" " +
                          (file ? file->hash : std::string("00000000000000000000000000000000")) + " " + std::to_string(line.lineSpeed));
            }
            break;
        case MessageType::UploadLimitReached:
            if (peer) Reply(*peer, MessageType::RemoteQueueFull, c.user + " \"" + name + "\" 0 " + field(3));
            break;
        case MessageType::LineSpeedQuery:
            if (peer) Reply(c, MessageType::UserLineSpeed, other + " " + std::to_string(lines_[other].lineSpeed));
            break;
        case MessageType::ChangeDataPort:
            lines_[c.user].dataPort = std::atoi(field(1).c_str());
            break;
        default:
            break;
    }
}

// Runs with lock_ held.
bool DevServer::Handle(Connection& c, const Frame& f) {
    (c.user.empty() ? c.sent : framesByUser_[c.user]).push_back(f);
    static constexpr MessageType kBeforeLogin[] = {MessageType::Login, MessageType::Register, MessageType::NameCheck,
                                                   MessageType::AccountCheck, MessageType::DataPortCandidates};
    if (options_.loginCommandsOnly && c.user.empty() &&
        std::find(std::begin(kBeforeLogin), std::end(kBeforeLogin), static_cast<MessageType>(f.type)) == std::end(kBeforeLogin)) {
        Reply(c, MessageType::Error, "invalid command");
        ++refusedBeforeLogin_;
        return false;
    }
    auto field = [&](int n) { return GetField(f.payload, n, 512).value_or(""); };
    if (!c.user.empty()) {
        std::vector<Delivery> out;
        const auto type = static_cast<MessageType>(f.type);
        if (channels_.Handle(c.user, type, f.payload, out) || hotLists_.Handle(c.user, type, f.payload, out) ||
            ignoreLists_.Handle(c.user, type, f.payload, out) ||
            HandleBrowse({shares_, lines_, [this](const std::string& u) { return OnlineName(u); }, options_.directBrowse}, c.user, type,
                         f.payload, out)) {
            Deliver(out);
            return true;
        }
        if (type == MessageType::PrivateMessage) {
            RoutePrivateMessage(
                c.user, f.payload, [this](const std::string& u) { return OnlineName(u); }, out);
            Deliver(out);
            return true;
        }
    }
    switch (static_cast<MessageType>(f.type)) {
        case MessageType::Login: {  // log in: user password port "version" speed 4853 0
            std::string user = field(1), password = field(2);
            if (auto answer = loginAnswers_.find(user); answer != loginAnswers_.end()) {
                Frame scripted = answer->second;
                loginAnswers_.erase(answer);
                if (scripted.type == static_cast<int>(MessageType::OutboundProbe) ||
                    scripted.type == static_cast<int>(MessageType::InboundProbe))
                    LoginAs(c, user, field(5), field(3));  // a probe counts as logged in
                Reply(c, static_cast<MessageType>(scripted.type), scripted.payload);
                break;
            }
            auto account = accounts_.find(user);
            if (account != accounts_.end() && account->second != password) {
                Reply(c, MessageType::Error, "invalid password");
                break;
            }
            if (account == accounts_.end()) accounts_[user] = password;  // an open server: first login registers
            LoginAs(c, user, field(5), field(3), field(4));
            Reply(c, MessageType::LoginAccepted, user + "@devserver.invalid");
            if (options_.upgradeOffer) {
                Reply(c, MessageType::UpgradeOffer, UpgradePayload(user, options_.upgradeOffer->first, options_.upgradeOffer->second, {}));
            }
            break;
        }
        case MessageType::Register: {  // register: user password port "version" speed email 0
            std::string user = field(1);
            if (auto answer = loginAnswers_.find(user); answer != loginAnswers_.end()) {
                Frame scripted = answer->second;
                loginAnswers_.erase(answer);
                Reply(c, static_cast<MessageType>(scripted.type), scripted.payload);
                break;
            }
            if (!ValidName(user)) {
                Reply(c, MessageType::Error, "Name contains invalid characters");
            } else if (accounts_.count(user)) {
                Reply(c, MessageType::Error, "Name already registered");
            } else {
                accounts_[user] = field(2);
                LoginAs(c, user, field(5), field(3), field(4));
                Reply(c, MessageType::LoginAccepted, field(6));
            }
            break;
        }
        case MessageType::NameCheck: {  // is this name free?
            std::string user = field(1);
            Reply(c,
                  !ValidName(user)        ? MessageType::NameInvalid
                  : accounts_.count(user) ? MessageType::NameTaken
                                          : MessageType::NameFree,
                  user);
            break;
        }
        case MessageType::AccountCheck: {  // check an existing account
            auto account = accounts_.find(field(1));
            if (account != accounts_.end() && account->second == field(2)) {
                Reply(c, MessageType::AccountValid, "");
            } else {
                Reply(c, MessageType::Error, "invalid password");
            }
            break;
        }
        case MessageType::VersionCheck:  // version check: any client version is welcome here
            Reply(c, MessageType::VersionCheck, "ok");
            break;
        case MessageType::DataPortCandidates: {  // reachability test: connect to the first candidate port that answers
            if (!options_.dataPortsReachable) break;
            for (int n = 1;; ++n) {
                auto port = GetField(f.payload, n, 16);
                if (!port) break;
                platform::Socket probe;
                if (platform::ConnectBlocking({0x7F000001, static_cast<std::uint16_t>(DecimalValue(*port))}, std::chrono::seconds(1),
                                              probe) == platform::ConnectResult::Connected) {
                    break;
                }
            }
            break;
        }
        case MessageType::PersonalData:  // optional personal data: kept with the frames
            break;
        case MessageType::Search: {  // search: the matching files of every user, then the end of the search
            auto query = protocol::SearchRequest::Decode(FromWireText(f.payload));
            if (!query) {
                Reply(c, MessageType::ServerText, "Error: invalid comparison for search");
            } else {
                for (const std::string& result : shares_.Search(*query, lines_)) Reply(c, MessageType::SearchResult, result);
            }
            Reply(c, MessageType::EndOfSearch, "");
            break;
        }
        case MessageType::ShareFolder:  // share a batch of one folder
            shares_.ShareBatch(c.user, f.payload);
            break;
        case MessageType::ShareFile:  // share one file
            shares_.ShareOne(c.user, f.payload);
            break;
        case MessageType::UnshareFile:  // stop sharing one file: the payload is the bare name
            if (!shares_.Unshare(c.user, f.payload)) Reply(c, MessageType::ServerText, "Not sharing that file");
            break;
        case MessageType::FindSources:  // resume search: every user sharing that checksum and size
            if (options_.resumeSearch) {
                for (const auto& [type, payload] : AnswerResumeSearch(shares_, lines_, c.user, f.payload))
                    Reply(c, static_cast<MessageType>(type), payload);
            }
            break;
        case MessageType::DownloadRequest:     // download: nick "name"
        case MessageType::PushRequest:         // push: the uploader is firewalled
        case MessageType::UploadAccepted:      // upload accepted: requester "name"
        case MessageType::UploadLimitReached:  // upload refused: requester "name" limit
        case MessageType::LineSpeedQuery:      // a user's line speed
        case MessageType::ChangeDataPort:      // the data port changed
            HandleTransfer(c, f);
            break;
        case MessageType::UserInfoRequest: {  // a user's information
            std::vector<Delivery> out;
            userInfo_.Answer(
                c.user, f.payload, [&](const std::string& user) { return accounts_.count(user) > 0; }, out);
            Deliver(out);
            break;
        }
        case MessageType::ServerPing:  // server ping: answered with this server's name, not the time sent
            Reply(c, MessageType::ServerPing, "127.0.0.1 ");
            break;
        default:
            break;
    }
    return true;
}

void DevServer::Run(std::stop_token stop) {
    auto nextStats = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.statsIntervalMs);
    while (!stop.stop_requested()) {
        std::vector<pollfd> fds{{server_.fd(), POLLIN, 0}, {redirector_.fd(), POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        {
            std::scoped_lock lock(lock_);
            for (auto& c : connections_) fds.push_back({c->socket.fd(), POLLIN, 0});
        }
        int timeout = options_.statsIntervalMs > 0 ? 50 : 500;
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) return;
        if (fds[2].revents) {
            char buf[64];
            while (::read(wakePipe_[0], buf, sizeof buf) > 0) {
            }
        }
        if (fds[1].revents & POLLIN) AcceptRedirector();
        std::scoped_lock lock(lock_);
        if (fds[0].revents & POLLIN) {
            platform::Socket peer(::accept4(server_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
            if (peer) connections_.push_back(std::make_unique<Connection>(Connection{std::move(peer), {}, {}, {}}));
        }
        for (std::size_t i = 3; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            auto it = std::find_if(connections_.begin(), connections_.end(), [&](auto& c) { return c->socket.fd() == fds[i].fd; });
            if (it == connections_.end()) continue;
            Connection& c = **it;
            char buf[4096];
            ssize_t n = ::recv(c.socket.fd(), buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR))) {
                connections_.erase(it);
                continue;
            }
            if (n > 0) c.inbox.append(buf, static_cast<std::size_t>(n));
            bool broken = false;
            for (;;) {
                auto parsed = protocol::ParseFrame(c.inbox);
                if (parsed.status == protocol::FrameStatus::Malformed) broken = true;
                if (parsed.status != protocol::FrameStatus::Complete) break;
                Frame f{parsed.type, std::string(parsed.payload)};
                c.inbox.erase(0, parsed.consumed);
                if (!Handle(c, f)) {
                    broken = true;
                    break;
                }
            }
            if (broken) connections_.erase(it);
        }
        for (auto& [user, bytes] : outbox_) {
            for (auto& c : connections_) {
                if (c->user == user) platform::SendAllBlocking(c->socket.fd(), bytes);
            }
        }
        outbox_.clear();
        for (const auto& user : disconnects_) {
            std::erase_if(connections_, [&](auto& c) { return c->user == user; });
        }
        disconnects_.clear();
        std::set<std::string> online;
        for (auto& c : connections_) {
            if (!c->user.empty()) online.insert(c->user);
        }
        shares_.KeepOnly(online);
        std::vector<Delivery> departures;
        channels_.KeepOnly(online, departures);
        hotLists_.KeepOnly(online, departures);
        userInfo_.KeepOnly(online);
        for (const Delivery& d : departures) {
            if (Connection* c = Online(d.user)) Reply(*c, d.type, d.payload);
        }
        if (options_.statsIntervalMs > 0 && std::chrono::steady_clock::now() >= nextStats) {
            nextStats = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.statsIntervalMs);
            int online = 0;
            for (auto& c : connections_) online += c->user.empty() ? 0 : 1;
            // What it really holds: users online, the files they share and their size in whole gigabytes.
            const auto [files, bytes] = shares_.Totals();
            const std::string stats =
                protocol::ServerStatistics{std::to_string(online), std::to_string(files), std::to_string(bytes >> 30)}.Encode();
            for (auto& c : connections_) {
                if (!c->user.empty()) Reply(*c, MessageType::ServerStatistics, stats);
            }
        }
        changed_.notify_all();
    }
}

}  // namespace tandril::devserver
