#pragma once
// The channels part: joining and leaving, what the server says about a channel (its lines, users,
// topic, emotes), the channels remembered in channels.dat and joined again after a login, the
// channel list window and invitations. Every handler runs on the GUI thread, where the chat
// windows live; the calls made from other threads say so and hand their work over.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "base/runtime.h"
#include "chat/channel_list.h"
#include "chat/chat_windows.h"
#include "protocol/chat_messages.h"
#include "protocol/frame_sender.h"

namespace tandril::chat {

class Channels {
public:
    Channels(Runtime& rt, protocol::FrameSender& sender, ChatWindows& windows);
    Channels(const Channels&) = delete;
    Channels& operator=(const Channels&) = delete;

    Runtime& rt;
    protocol::FrameSender& sender;
    ChatWindows& windows;
    ChannelList list;

    // What the people part offers the chat (instant messages, ignoring). Unset until that part
    // is there: /query then says it is not available, and "Ignorer l'Utilisateur" is not offered.
    std::function<void(const std::string& user)> openInstantMessage;
    std::function<void(const std::string& user)> ignoreUser;

    // The clock that times a server ping; tests give their own.
    std::function<std::chrono::steady_clock::time_point()> now = [] { return std::chrono::steady_clock::now(); };
    // When the last server ping (/sping) was sent and not answered yet.
    std::optional<std::chrono::steady_clock::time_point> serverPingSent;

    // ---- From the server (GUI thread) ----
    void OnChannelJoined(const protocol::ChannelJoined& m);
    void OnRemovedFromChannel(const protocol::PartChannel& m);
    void OnChannelMessage(const protocol::ChannelMessage& m);
    void OnUserJoined(const protocol::ChannelUserJoined& m);
    void OnUserLeft(const protocol::ChannelUserLeft& m);
    void OnUserEntry(const protocol::ChannelUserEntry& m);
    void OnUsersEnd(const protocol::ChannelUsersEnd& m);
    void OnTopic(const protocol::ChannelTopic& m);
    void OnEmote(const protocol::ChannelEmote& m);
    void OnServerPong(const std::string& payload);
    void OnUserPong(const std::string& payload);
    void OnOperatorText(std::string_view item, std::string_view label, const std::string& sender, const std::string& text);
    void OnChannelBanEntry(const protocol::ChannelBanEntry& m);
    void OnChannelBanListEnd();
    void OnBanListEntry(const std::string& payload);

    // ---- The user (GUI thread) ----
    // "Quitter Salle" and /part: 401, the window closed and forgotten in channels.dat.
    void Leave(ChannelWindow& window);
    // /join and the channel list: the window made current when there is one, else 400 sent.
    void JoinOrShow(const std::string& name);

    // ---- The session (any thread) ----
    // After a login: 400 for every stored channel without a window, then 621 when any was sent.
    void AutoJoinChannels();
    // The connection ended: every channel window closed, none forgotten, "Private" current.
    void CloseChannelWindowsSilently();

    std::filesystem::path Folder() const { return rt.state.profileFolder; }

private:
    // Closes a window; `forget` also removes it from channels.dat, `sendPart` tells the server.
    void CloseChannelWindow(ChannelWindow& window, bool forget, bool sendPart);
    void AddUser(ChannelWindow& window, const std::string& user, long long files, int lineSpeed);
};

// "* %s (%s) [sharing %d file%s] has joined." / "has left.": the speed name cut at its first blank.
std::string JoinPartLine(const std::string& user, int lineSpeed, long long files, bool joined);

}  // namespace tandril::chat
