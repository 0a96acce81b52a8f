#include "session/instant_messages.h"

#include "base/text.h"
#include "chat/chat_line.h"
#include "protocol/chat_messages.h"
#include "session/hot_list.h"
#include "session/ignore_list.h"
#include "session/session.h"

namespace tandril::session {

namespace {

chat::InstantMessageWindow& OpenWindow(Session& c, const std::string& peer) {
    return c.instantMessages.Open(peer, IsIgnored(c, peer), IsOnHotList(c, peer));
}

}  // namespace

void OnPrivateMessage(Session& c, const protocol::ReceivedPrivateMessage& m) {
    if (!c.rt.state.settings().instantMessaging) {
        std::string line = Format(chat::kMaxChatLine, "* %s tells you: %s", m.sender.c_str(), m.text.c_str());
        chat::ChatWindows& w = c.chat;
        w.AppendLine(w.Personal(), "Receive Message (IRC)", line, false);
        if (&w.Current() != &w.Personal()) w.AppendLine(w.Current(), "Receive Message (IRC)", line, false);
        return;
    }
    // An existing window takes the line where it is: a message does not pull it to the front.
    chat::InstantMessageWindow* found = c.instantMessages.Find(m.sender);
    chat::InstantMessageWindow& window = found ? *found : OpenWindow(c, m.sender);
    c.instantMessages.AppendLine(window, "User message", Format(chat::kMaxChatLine, "<%s> %s", m.sender.c_str(), m.text.c_str()));
}

void OpenInstantMessage(Session& c, const std::string& user) {
    std::string peer = CutText(Trim(user), chat::kMaxPeerName);
    if (peer.empty()) return;
    c.rt.gui.RunOrPost([&c, peer] { OpenWindow(c, peer); });
}

void SendInstantMessage(Session& c, chat::InstantMessageWindow& window, const std::string& typed) {
    std::string text = CutText(typed, chat::kMaxInputLine);
    window.history.RememberTyped(text);
    std::string nick = c.rt.state.account().userName;
    c.instantMessages.AppendLine(window, "My message", Format(chat::kMaxChatLine, "<%s> %s", nick.c_str(), text.c_str()));
    protocol::Send(c.link, protocol::PrivateMessage{window.peer, text});
}

bool AddPeerToHotList(Session& c, const std::string& peer) {
    if (IsOnHotList(c, peer)) {
        c.rt.ui.ShowAlert(AlertKind::Modal, Format(255, "User %s is already on your Hot List!", peer.c_str()));
        return false;
    }
    if (!AddHotListUser(c, peer)) return false;
    c.rt.main.ShowPage(MainViewModel::HotListPage);
    return true;
}

void ToggleIgnorePeer(Session& c, const std::string& peer) {
    if (IsIgnored(c, peer)) {
        UnignoreUser(c, peer);
    } else {
        IgnoreUser(c, peer);
    }
    CloseInstantMessage(c, peer);
}

void CloseInstantMessage(Session& c, const std::string& peer) {
    c.instantMessages.Close(peer);
}

}  // namespace tandril::session
