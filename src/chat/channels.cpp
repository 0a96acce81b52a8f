#include "chat/channels.h"

#include "base/line_speed.h"
#include "base/text.h"
#include "chat/channels_file.h"

namespace tandril::chat {

using namespace protocol;

std::string JoinPartLine(const std::string& user, int lineSpeed, long long files, bool joined) {
    std::string speed = LineSpeedName(lineSpeed);
    speed = speed.substr(0, speed.find(' '));
    return Format(kMaxChatLine, "* %s (%s) [sharing %lld file%s] has %s.", user.c_str(), speed.c_str(), files, files == 1 ? "" : "s",
                  joined ? "joined" : "left");
}

Channels::Channels(Runtime& runtime, FrameSender& frameSender, ChatWindows& chatWindows)
    : rt(runtime), sender(frameSender), windows(chatWindows), list(*this) {}

void Channels::OnChannelJoined(const ChannelJoined& m) {
    if (!windows.Find(m.channel)) windows.Create(m.channel);
}

void Channels::OnRemovedFromChannel(const PartChannel& m) {
    if (ChannelWindow* window = windows.Find(m.channel)) CloseChannelWindow(*window, true, false);
}

void Channels::OnChannelMessage(const ChannelMessage& m) {
    ChannelWindow* window = windows.Find(m.channel);
    if (!window) return;
    bool mine = EqualsNoCase(m.nick, rt.state.account().userName);
    windows.AppendLine(*window, mine ? "My message" : "User message", Format(kMaxChatLine, "<%s> %s", m.nick.c_str(), m.text.c_str()),
                       false);
}

void Channels::OnUserJoined(const ChannelUserJoined& m) {
    ChannelWindow* window = windows.Find(m.channel);
    if (!window) return;
    if (rt.state.settings().displayJoinPart)
        windows.AppendLine(*window, "User Join", JoinPartLine(m.user, m.lineSpeed, m.files, true), false);
    AddUser(*window, m.user, m.files, m.lineSpeed);
}

void Channels::OnUserLeft(const ChannelUserLeft& m) {
    ChannelWindow* window = windows.Find(m.channel);
    if (!window || !window->users) return;
    if (rt.state.settings().displayJoinPart)
        windows.AppendLine(*window, "User Part", JoinPartLine(m.user, m.lineSpeed, m.files, false), false);
    if (window->users->Remove(m.user)) windows.ShowUserCount(*window);
}

void Channels::OnUserEntry(const ChannelUserEntry& m) {
    if (ChannelWindow* window = windows.Find(m.channel)) AddUser(*window, m.user, m.files, m.lineSpeed);
}

void Channels::AddUser(ChannelWindow& window, const std::string& user, long long files, int lineSpeed) {
    if (window.users && window.users->Add(user, files, lineSpeed)) windows.ShowUserCount(window);
}

void Channels::OnUsersEnd(const ChannelUsersEnd& m) {
    if (ChannelWindow* window = windows.Find(m.channel)) RememberChannel(Folder(), window->name);
}

void Channels::OnTopic(const ChannelTopic& m) {
    if (ChannelWindow* window = windows.Find(m.channel)) windows.SetTopic(*window, m.topic);
}

void Channels::OnEmote(const ChannelEmote& m) {
    if (ChannelWindow* window = windows.Find(m.channel))
        windows.AppendLine(*window, "Emotion (/me)", Format(kMaxChatLine, "* %s %s", m.user.c_str(), m.text.c_str()), false);
}

void Channels::OnServerPong(const std::string&) {
    // The servers answer with a server's name, not with the time that was sent: the time taken is
    // counted from when this client sent its ping.
    std::string when = NowText();
    if (serverPingSent) {
        auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now() - *serverPingSent).count();
        serverPingSent.reset();
        windows.ShowInBothWindows(Format(255, "[%s] Received pong from server: %d seconds!", when.c_str(), static_cast<int>(elapsed)));
    } else {
        windows.ShowInBothWindows(Format(255, "[%s] Received pong from server.", when.c_str()));
    }
}

void Channels::OnOperatorText(std::string_view item, std::string_view label, const std::string& from, const std::string& text) {
    std::string line = Format(kMaxChatLine, "* [%.*s] %s: %s", static_cast<int>(label.size()), label.data(), from.c_str(), text.c_str());
    windows.AppendLine(windows.Personal(), item, line, true);
    if (&windows.Current() != &windows.Personal()) windows.AppendLine(windows.Current(), item, line, true);
}

void Channels::OnChannelBanEntry(const ChannelBanEntry& m) {
    windows.ShowSystemLine(windows.Current().name, "Banned: " + m.entry);
}

void Channels::OnChannelBanListEnd() {
    windows.ShowSystemLine(windows.Current().name, "End channel ban list!");
}

void Channels::OnBanListEntry(const std::string& payload) {
    windows.ShowSystemLine(windows.Current().name, CutText("Ban: " + payload + "\n", 98));
}

void Channels::Leave(ChannelWindow& window) {
    if (!window.IsPersonal()) CloseChannelWindow(window, true, true);
}

void Channels::JoinOrShow(const std::string& name) {
    if (ChannelWindow* window = windows.Find(name)) {
        windows.Activate(*window);
    } else {
        Send(sender, JoinChannel{name});
    }
}

void Channels::CloseChannelWindow(ChannelWindow& window, bool forget, bool sendPart) {
    std::string name = window.name;
    if (sendPart) Send(sender, PartChannel{name});
    windows.Close(window);
    if (forget) ForgetChannel(Folder(), name);
}

void Channels::AutoJoinChannels() {
    rt.gui.RunOrPost([this] {
        bool sent = false;
        for (const std::string& name : ReadChannelsFile(Folder())) {
            if (windows.Find(name)) continue;
            Send(sender, JoinChannel{name});
            sent = true;
        }
        if (sent) Send(sender, MessageOfTheDayRequest{});
    });
}

void Channels::CloseChannelWindowsSilently() {
    rt.gui.RunOrPost([this] {
        while (windows.HasChannels()) windows.Close(windows.Windows().back());
        windows.Activate(windows.Personal());
    });
}

}  // namespace tandril::chat
