#include "chat/chat_commands.h"

#include <ctime>
#include <functional>

#include "base/text.h"
#include "chat/channels.h"
#include "protocol/user_info_messages.h"

namespace tandril::chat {

using namespace protocol;

namespace {

constexpr std::size_t kChannelToken = 23;
constexpr std::size_t kUserToken = 18;

// What a command works with.
struct Call {
    Channels& c;
    ChannelWindow& window;
    const CommandWords& words;

    const std::string& args() const { return words.arguments; }
    // The arguments split at their first blank; the rest trimmed.
    std::string First() const { return args().substr(0, args().find(' ')); }
    std::string Rest() const {
        std::size_t blank = args().find(' ');
        return blank == std::string::npos ? std::string() : std::string(Trim(std::string_view(args()).substr(blank)));
    }
    bool HasBlank() const { return args().find(' ') != std::string::npos; }
    void Show(const std::string& text) const { c.windows.ShowSystemLine(window.name, text); }
    void ShowInCurrent(const std::string& text) const { c.windows.ShowSystemLine(c.windows.Current().name, text); }
    template <typename Message>
    void Send(const Message& m) const {
        protocol::Send(c.sender, m);
    }
    // The operators' requests about a user: "user" alone, or "user \"reason\"".
    template <typename Message>
    void SendWithReason() const {
        if (HasBlank()) {
            Send(Message{First(), Rest()});
        } else {
            Send(Message{args(), std::nullopt});
        }
    }
};

// Tokens: runs of non-blanks, a leading double quote skipped and trailing ones dropped, cut.
struct Tokens {
    std::vector<std::string> tokens;
    std::string after;  // what follows the last token read, trimmed
};
Tokens ReadTokens(std::string_view text, int count, const std::vector<std::size_t>& widths) {
    Tokens t;
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        std::size_t end = text.find(' ', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view token = text.substr(pos, end - pos);
        if (!token.empty() && token.front() == '"') token.remove_prefix(1);
        while (!token.empty() && token.back() == '"') token.remove_suffix(1);
        t.tokens.push_back(CutText(token, widths[static_cast<std::size_t>(i)]));
        pos = end;
    }
    t.after = std::string(Trim(text.substr(std::min(pos, text.size()))));
    return t;
}

template <typename Message>
void SendChannelUser(const Call& k) {
    Tokens t = ReadTokens(k.args(), 2, {kChannelToken, kUserToken});
    k.Send(Message{t.tokens[0], t.tokens[1], t.after});
}

std::string ChannelToken(const Call& k) {
    return ReadTokens(k.args(), 1, {kChannelToken}).tokens[0];
}

void Ping(const Call& k, bool server) {
    std::string when = NowText();
    if (server) {
        k.c.windows.ShowInBothWindows(Format(255, "[%s] Ping sent to server...", when.c_str()));
        k.c.serverPingSent = k.c.now();
        k.Send(ServerPingRequest{static_cast<unsigned long long>(std::time(nullptr))});
    } else {
        k.c.windows.ShowInBothWindows(Format(255, "[%s] Ping to %s...", when.c_str(), k.args().c_str()));
        k.Send(UserPingRequest{k.args()});
    }
}

void Part(const Call& k) {
    if (!k.args().empty()) {
        if (ChannelWindow* target = k.c.windows.Find(k.args())) {
            k.c.Leave(*target);
        } else {
            k.Show(Format(255, "You are not in '%s'!", k.args().c_str()));
        }
    } else if (k.window.IsPersonal()) {
        k.Show(Format(255, "Proper syntax: /%s <channel>", k.words.word.c_str()));
    } else {
        k.c.Leave(k.window);
    }
}

void Tell(const Call& k) {
    std::string user = k.First(), text = k.Rest();
    k.Send(PrivateMessage{user, text});
    std::string line = Format(kMaxChatLine, "* You tell %s: %s", user.c_str(), text.c_str());
    ChatWindows& w = k.c.windows;
    w.AppendLine(w.Personal(), "Send Message (IRC)", line, false);
    if (&w.Current() != &w.Personal()) w.AppendLine(k.window, "Send Message (IRC)", line, false);
}

void Query(const Call& k) {
    std::string user(Trim(GetField(k.args(), 1, 20).value_or("")));
    if (!user.empty()) k.c.openInstantMessage(user);
}

void SetPassword(const Call& k) {
    auto user = GetField(k.args(), 1, 20), password = GetField(k.args(), 2, 20), reason = GetField(k.args(), 3, 128);
    if (!user || !password) return;
    k.Send(SetUserPassword{*user, *password, reason});
}

void Emote(const Call& k) {
    ChatWindows& w = k.c.windows;
    if (&w.Current() == &w.Personal()) {
        w.ShowSystemLine(w.Personal().name, "This command will only work from a channel window!");
        return;
    }
    k.Send(EmoteRequest{w.Current().name, k.args()});
}

void ChannelBanList(const Call& k) {
    if (!k.c.rt.state.connected) {
        k.ShowInCurrent("You must be connected to get a channel ban list!");
        return;
    }
    k.Send(ChannelBanListRequest{ChannelToken(k)});
    k.ShowInCurrent("Getting channel ban list!");
}

struct Command {
    std::vector<std::string> names;
    int minimum;
    const char* syntax;  // "%s" stands for the command word as typed
    std::function<void(const Call&)> run;
    // Only with instant messages on (and the part that shows them); otherwise an alert says so,
    // whatever the words.
    bool instantMessaging = false;
};

const std::vector<Command>& Table() {
    static const std::vector<Command> table = {
        {{"MSG", "TELL"}, 2, "Proper syntax: /%s <User> <Message>", Tell},
        {{"CLEAR", "CLS"}, 0, "", [](const Call& k) { ClearChatControl(k.window.chatView); }},
        {{"TOPIC"},
         2,
         "Proper syntax: /topic <Channel> <Topic>",
         [](const Call& k) {
             k.Send(ChannelTopic{k.First(), k.Rest()});
         }},
        {{"FINGER", "WHOIS"},
         0,
         "",
         [](const Call& k) { k.Send(UserInfoRequest{k.args().empty() ? k.c.rt.state.account().userName : k.First()}); }},
        {{"SETUSERLEVEL"}, 2, "Proper syntax: /setuserlevel <user> <new level>", [](const Call& k) { k.Send(SetUserLevel{k.args()}); }},
        {{"SETLINESPEED"},
         2,
         "Proper syntax: /setlinespeed <user> <new line speed>",
         [](const Call& k) { k.Send(SetUserLineSpeed{k.args()}); }},
        {{"SETCONNECTION"},
         2,
         "Proper syntax: /setconnection <user> <new connection type>",
         [](const Call& k) { k.Send(SetUserLineSpeed{k.args()}); }},
        {{"MOTD"}, 0, "", [](const Call& k) { k.Send(MessageOfTheDayRequest{}); }},
        {{"JOIN"}, 1, "Proper syntax: /join <channel>", [](const Call& k) { k.c.JoinOrShow(k.args()); }},
        {{"PART", "LEAVE"}, 0, "", Part},
        {{"ANNOUNCE"}, 1, "Proper syntax: /announce <message to all users>", [](const Call& k) { k.Send(AnnounceRequest{k.args()}); }},
        {{"OPSAY"}, 1, "Proper syntax: /opsay <message to all ops>", [](const Call& k) { k.Send(OpsayRequest{k.args()}); }},
        {{"KILL"}, 1, "Proper syntax: /kill <jerk> [reason]", [](const Call& k) { k.SendWithReason<KillUser>(); }},
        {{"QUERY"}, 1, "Proper syntax: /query <user>", Query, true},
        {{"kick"}, 2, "Proper syntax: /kick <channel> <user> [reason]", SendChannelUser<KickFromChannel>},
        {{"cban", "chanban", "channelban"}, 2, "Proper syntax: /cban <channel> <user> [reason]", SendChannelUser<ChannelBan>},
        {{"cunban", "chanunban", "channelunban"}, 2, "Proper syntax: /cunban <channel> <user> [reason]", SendChannelUser<ChannelUnban>},
        {{"cbanlist", "chanbanlist", "channelbanlist"}, 1, "Proper syntax: /cbanlist <channel>", ChannelBanList},
        {{"cbanclear", "chanbanclear", "channelbanclear"},
         1,
         "Proper syntax: /cbanclear <channel>",
         [](const Call& k) { k.Send(ChannelBanClear{ChannelToken(k)}); }},
        {{"UNNUKE"}, 1, "Proper syntax: /unnuke <nuked user>", [](const Call& k) { k.Send(UnnukeUser{k.args()}); }},
        {{"SETCONFIG", "CONF"},
         1,
         "Proper syntax (Elite only): /setconfig <config string>",
         [](const Call& k) { k.Send(SetConfig{k.args()}); }},
        {{"RELOADCONFIG"},
         1,
         "Proper syntax (Elite only): /reloadconfig <config variable>",
         [](const Call& k) { k.Send(ReloadConfig{k.args()}); }},
        {{"SERVERVERSION"}, 0, "", [](const Call& k) { k.Send(ServerVersionRequest{}); }},
        {{"CLEARCHAN", "CLEARCHANNEL"},
         1,
         "Proper syntax (Elite only): /%s <channel>",
         [](const Call& k) { k.Send(ClearChannel{k.args()}); }},
        {{"ME", "I"}, 1, "Proper syntax (Elite only): /%s <message>", Emote},
        {{"BAN", "NUKE"}, 1, "Proper syntax: /ban <user|address> [reason]", [](const Call& k) { k.SendWithReason<BanUser>(); }},
        {{"SETDATAPORT"}, 2, "Proper syntax: /setdataport <user> <new port>", [](const Call& k) { k.Send(SetUserDataPort{k.args()}); }},
        {{"UNBAN"}, 1, "Proper syntax: /unban <user|address>", [](const Call& k) { k.SendWithReason<UnbanUser>(); }},
        {{"BANLIST"}, 0, "", [](const Call& k) { k.Send(BanListRequest{}); }},
        {{"SETPASSWORD"}, 2, "Proper syntax: /setpassword <user> <password> [reason]", SetPassword},
        {{"CLOAK"}, 0, "", [](const Call& k) { k.Send(CloakRequest{}); }},
        {{"MUZZLE"}, 1, "Proper syntax: /muzzle <user> [reason]", [](const Call& k) { k.SendWithReason<MuzzleUser>(); }},
        {{"UNMUZZLE"}, 1, "Proper syntax: /unmuzzle <muzzled user>", [](const Call& k) { k.SendWithReason<UnmuzzleUser>(); }},
        {{"SPING", "SERVERPING"}, 0, "", [](const Call& k) { Ping(k, true); }},
        {{"PING"}, 1, "Proper syntax: /ping <user>", [](const Call& k) { Ping(k, false); }},
    };
    return table;
}

std::string WithWord(std::string syntax, const std::string& word) {
    if (auto at = syntax.find("%s"); at != std::string::npos) syntax.replace(at, 2, word);
    return syntax;
}

void PlainLine(Channels& c, ChannelWindow& window, const std::string& line) {
    std::string text(Trim(line));
    if (window.name != kPrivateWindow) {
        if (!text.empty()) Send(c.sender, PublicMessage{window.name, text});
        return;  // the server sends the line back to everybody in the channel, this user too
    }
    c.windows.ShowSystemLine(window.name, c.rt.state.connected ? "Use the 'Chat Rooms' button in the bottom right to join a channel!"
                                                               : "Use File->Connect to connect to the Tandril server!");
}

}  // namespace

CommandWords SplitCommand(std::string_view line) {
    CommandWords w;
    while (!line.empty() && line.front() == '/') line.remove_prefix(1);
    std::size_t blank = line.find(' ');
    w.word = std::string(line.substr(0, blank));
    if (blank != std::string_view::npos) w.arguments = std::string(Trim(line.substr(blank + 1)));
    if (!w.arguments.empty()) {
        w.count = 1;
        for (std::size_t i = 1; i < w.arguments.size(); ++i) {
            if (w.arguments[i] == ' ' && w.arguments[i - 1] != ' ') ++w.count;
        }
    }
    return w;
}

std::vector<std::vector<std::string>> CommandNames() {
    std::vector<std::vector<std::string>> names;
    for (const Command& command : Table()) names.push_back(command.names);
    return names;
}

void RunChatLine(Channels& c, ChannelWindow& window, const std::string& text) {
    if (text.empty() || text.front() != '/') return PlainLine(c, window, text);
    CommandWords words = SplitCommand(text);
    for (const Command& command : Table()) {
        bool named =
            std::any_of(command.names.begin(), command.names.end(), [&](const std::string& n) { return EqualsNoCase(n, words.word); });
        if (!named) continue;
        Call call{c, window, words};
        if (command.instantMessaging && (!c.rt.state.settings().instantMessaging || !c.openInstantMessage)) {
            c.rt.ui.ShowAlert(AlertKind::Modal, "/query is available only in the 'instant messaging' mode.");
            return;
        }
        if (words.count < command.minimum) {
            call.Show(WithWord(command.syntax, words.word));
            return;
        }
        command.run(call);
        return;
    }
    c.windows.ShowSystemLine(window.name, Format(99, "Unknown Command '%s'!", words.word.c_str()));
}

}  // namespace tandril::chat
