#include "devserver/user_info.h"

#include <ctime>

#include "base/text.h"
#include "protocol/user_info_messages.h"

namespace tandril::devserver {

using protocol::MessageType;

namespace {

constexpr std::size_t kNickSize = 20;

}  // namespace

void UserInfo::SignedOn(const std::string& user, const std::string& version, int port) {
    Record& r = records_[user];
    r.version = version;
    r.online = true;
    r.since = std::chrono::steady_clock::now();
    r.lastPort = port;
}

void UserInfo::KeepOnly(const std::set<std::string>& online) {
    for (auto& [user, r] : records_) {
        if (!r.online || online.count(user)) continue;
        const OnlineFacts facts = describe_(user);
        r.online = false;
        r.lastSeen = static_cast<long long>(std::time(nullptr));
        r.lastAddress = facts.address;
        r.lastDataPort = facts.dataPort;
    }
}

bool UserInfo::IsModerator(const std::string& user) const {
    auto it = records_.find(user);
    if (it == records_.end()) return false;
    const std::string& level = it->second.level;
    return EqualsNoCase(level, "Moderator") || EqualsNoCase(level, "Admin") || EqualsNoCase(level, "Elite");
}

void UserInfo::Answer(const std::string& asker, const std::string& payload, const std::function<bool(const std::string&)>& known,
                      std::vector<Delivery>& out) {
    const std::string user = GetField(payload, 1, kNickSize).value_or("");
    const bool extended = IsModerator(asker);
    auto it = records_.find(user);
    if (it != records_.end() && it->second.online) {
        const Record& r = it->second;
        const OnlineFacts facts = describe_(user);
        protocol::UserInfoOnline m;
        m.user = user;
        m.level = r.level;
        m.secondsConnected = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - r.since).count();
        m.channels = facts.channels;
        m.state = "Active";
        m.filesShared = facts.files;
        m.lineSpeed = facts.lineSpeed;
        m.clientVersion = r.version;
        m.extended = extended;
        m.address = facts.address;
        m.port = r.lastPort;
        m.dataPort = facts.dataPort;
        out.push_back({asker, MessageType::UserInfoOnline, m.Encode()});
        return;
    }
    if (!user.empty() && (it != records_.end() || known(user))) {
        protocol::UserInfoOffline m;
        m.user = user;
        m.level = it != records_.end() ? it->second.level : "User";
        m.lastSeen = it != records_.end() ? it->second.lastSeen : 0;
        m.extended = extended;
        if (it != records_.end()) {
            m.lastAddress = it->second.lastAddress;
            m.lastPort = it->second.lastPort;
            m.lastDataPort = it->second.lastDataPort;
        }
        out.push_back({asker, MessageType::UserInfoOffline, m.Encode()});
    }
    out.push_back({asker, MessageType::ServerText, "User is not currently online."});
}

}  // namespace tandril::devserver
