#include "session/ignore_list.h"

#include "base/text.h"
#include "session/session.h"

namespace tandril::session {

namespace {

// A system line in the current chat window (there is always one: "Private" at least).
void ShowInCurrentWindow(Session& c, const std::string& text) {
    c.chat.ShowSystemLine(c.chat.Current().name, text);
}

std::string ValidName(const std::string& user) {
    return CutText(Trim(user), protocol::kNickWidth);
}

}  // namespace

bool IsIgnored(Session& c, const std::string& user) {
    return c.ignoreList.IsIgnored(user);
}

void IgnoreUser(Session& c, const std::string& user) {
    std::string name = ValidName(user);
    if (name.empty()) return;
    c.ignoreList.AddRow(name);
    protocol::Send(c.link, protocol::IgnoreRequest{name});
    ShowInCurrentWindow(c, Format(255, "Ignoring user %s's channel and private messages!", name.c_str()));
    c.ignoreList.Remember(name);
}

void UnignoreUser(Session& c, const std::string& user) {
    std::string name = ValidName(user);
    if (name.empty()) return;
    c.ignoreList.RemoveRow(name);
    protocol::Send(c.link, protocol::UnignoreRequest{name});
    ShowInCurrentWindow(c, Format(255, "Unignored user %s.", name.c_str()));
    c.ignoreList.Forget(name);
}

bool OpenIgnoreListDialog(Session& c) {
    if (!c.rt.state.connected) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "You must first connect to the server!");
        return false;
    }
    c.ignoreList.OpenDialog();
    protocol::Send(c.link, protocol::IgnoreListRequest{});
    return true;
}

void CloseIgnoreListDialog(Session& c) {
    c.ignoreList.CloseDialog();
}

void IgnoreFromDialog(Session& c, const std::string& user) {
    std::string name = ValidName(user);
    if (name.empty()) return;
    protocol::Send(c.link, protocol::IgnoreRequest{name});
    c.ignoreList.AddRow(name);
}

void UnignoreFromDialog(Session& c, const std::vector<std::string>& users) {
    for (const std::string& user : users) {
        if (user == chat::kPopulatingRow || user == chat::kEmptyListRow) continue;  // placeholders, not names
        protocol::Send(c.link, protocol::UnignoreRequest{user});
        c.ignoreList.RemoveRow(user);
    }
}

void ClearIgnoreList(Session& c) {
    c.ignoreList.ClearRows();
    protocol::Send(c.link, protocol::IgnoreClearRequest{});
}

void OnIgnoreListEnd(Session& c) {
    c.ignoreList.OnListEnd();
}

void OnIgnoredUserEntry(Session& c, const protocol::IgnoredUserEntry& m) {
    c.ignoreList.AddRow(m.user);
}

void OnIgnoreNoSuchUser(Session& c, const protocol::IgnoreNoSuchUser& m) {
    c.rt.ui.ShowAlert(AlertKind::Modeless, Format(255, "User %s does not exist!", m.user.c_str()));
}

void OnIgnoreAlreadyIgnored(Session& c, const protocol::IgnoreAlreadyIgnored& m) {
    c.rt.ui.ShowAlert(AlertKind::Modeless, Format(255, "User %s is already on your ignore list!", m.user.c_str()));
}

}  // namespace tandril::session
