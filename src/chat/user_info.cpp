#include "chat/user_info.h"

#include <algorithm>
#include <climits>

#include "base/line_speed.h"
#include "base/text.h"
#include "chat/chat_line.h"

namespace tandril::chat {

namespace {

constexpr std::size_t kValueWidth = 255;

std::string Number(long long value) {
    return std::to_string(value);
}

std::string AddressText(const std::string& address, long long port) {
    return Format(kValueWidth, "%s:%lld", address.c_str(), port);
}

}  // namespace

std::string ConnectedTimeText(long long seconds) {
    seconds = std::max(seconds, 0LL);
    return Format(kValueWidth, "%02lld:%02lld", seconds / 3600, seconds % 3600 / 60);
}

std::string OnlineUserInfoTitle(const protocol::UserInfoOnline& info) {
    return Format(kValueWidth, "%s's Finger Information", info.user.c_str());
}

std::vector<UserInfoLine> OnlineUserInfoLines(const protocol::UserInfoOnline& info) {
    const int speed = static_cast<int>(std::clamp<long long>(info.lineSpeed, INT_MIN, INT_MAX));
    std::vector<UserInfoLine> lines{
        {"Status:\t\t", "ONLINE"},
        {"Time Connected:", ConnectedTimeText(info.secondsConnected)},
        {"User:\t\t", info.user},
        {"Client  Version:\t", info.clientVersion},
    };
    if (info.extended) {
        lines.emplace_back("Address:\t\t", AddressText(info.address, info.port));
        lines.emplace_back("Data Port:\t", Number(info.dataPort));
    }
    lines.emplace_back("User Level:\t", info.level);
    lines.emplace_back("Connection:\t", LineSpeedName(speed));
    lines.emplace_back("Channels:\t", info.channels);
    lines.emplace_back("Ability:\t\t", info.state);
    lines.emplace_back("Number Shared:", Number(info.filesShared));
    lines.emplace_back("Current Transfers:",
                       Format(kValueWidth, "%lld Inbound Transfers, %lld Outbound Transfers", info.downloads, info.uploads));
    return lines;
}

std::vector<UserInfoLine> OfflineUserInfoLines(const protocol::UserInfoOffline& info) {
    std::string lastOnline = CTimeText(info.lastSeen);
    if (!lastOnline.empty() && lastOnline.back() == '\n') lastOnline.pop_back();
    std::vector<UserInfoLine> lines{{"Status", "OFFLINE"}, {"Last Online", lastOnline}};
    if (!info.extended) {
        lines.emplace_back("User", info.user);
    } else {
        lines.emplace_back("User", Format(kValueWidth, "%s (%s)", info.user.c_str(), info.note.c_str()));
        lines.emplace_back("Last Address", AddressText(info.lastAddress, info.lastPort));
        lines.emplace_back("Last Data Port", Number(info.lastDataPort));
    }
    lines.emplace_back("User Level", info.level);
    return lines;
}

void UserInfoWindows::ShowOnline(const protocol::UserInfoOnline& info) {
    Open(OnlineUserInfoTitle(info), OnlineUserInfoLines(info));
}

void UserInfoWindows::ShowOffline(const protocol::UserInfoOffline& info) {
    Open(kUserInfoCaption, OfflineUserInfoLines(info));
}

void UserInfoWindows::Open(std::string title, std::vector<UserInfoLine> lines) {
    while (windows_.size() >= kMaxUserInfoWindows) Close(windows_.front()->id);
    auto window = std::make_unique<UserInfoWindow>();
    window->id = nextId_++;
    window->title = std::move(title);
    window->lines = std::move(lines);
    for (const auto& [label, value] : window->lines) {
        AppendChatLine(window->view, schemes_.Current(), "User Information", label + " " + CutText(value, kValueWidth),
                       {.markAddresses = true});
    }
    const int id = window->id;
    windows_.push_back(std::move(window));
    Q_EMIT windowOpened(id);
}

void UserInfoWindows::Close(int id) {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return w->id == id; });
    if (it == windows_.end()) return;
    // The skin lets go of the window's view first; then the record goes.
    Q_EMIT windowClosed(id);
    windows_.erase(it);
}

UserInfoWindow* UserInfoWindows::Find(int id) {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return w->id == id; });
    return it == windows_.end() ? nullptr : it->get();
}

}  // namespace tandril::chat
