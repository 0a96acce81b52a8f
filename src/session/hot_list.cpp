#include "session/hot_list.h"

#include "base/text.h"
#include "chat/hot_list.h"
#include "session/session.h"

namespace tandril::session {

namespace {

constexpr std::size_t kRemoveQuestionWidth = 100;

}  // namespace

void LoadHotList(Session& c) {
    c.hotList.Load(c.rt.state.profileFolder);
}

void RegisterHotList(Session& c) {
    // The names are copied out first: nothing goes to the network under the list's lock.
    for (const std::string& name : c.hotList.Names()) protocol::Send(c.link, protocol::HotListRegister{name});
}

bool IsOnHotList(Session& c, const std::string& user) {
    return c.hotList.Contains(user);
}

bool AddHotListUser(Session& c, const std::string& user) {
    std::string name(Trim(user));
    if (name.empty() || !c.rt.state.connected) return false;
    return protocol::Send(c.link, protocol::HotListAdd{name}) != 0;
}

void RemoveHotListUsers(Session& c, const std::vector<std::string>& users) {
    for (const std::string& user : users) {
        Question q{Format(kRemoveQuestionWidth, "Are you sure you want to remove %s from your Hot List?", user.c_str()), "Remove User",
                   Buttons::YesNo, Icon::Question};
        if (c.rt.ui.Ask(q) != Answer::Yes) continue;
        protocol::Send(c.link, protocol::HotListRemove{user});
        c.hotList.Remove(c.rt.state.profileFolder, {user});
    }
}

void ShowHotListOffline(Session& c) {
    c.hotList.ShowAllOffline();
}

void OnHotListAdded(Session& c, const protocol::HotListAdded& added) {
    c.hotList.Add(c.rt.state.profileFolder, added.user);
}

void OnHotListNoSuchUser(Session& c, const protocol::HotListNoSuchUser& refused) {
    c.rt.ui.ShowAlert(AlertKind::Modeless, Format(255, "User with name %s does not exist!", refused.user.c_str()));
}

void OnHotListUserOnline(Session& c, const protocol::HotListUserOnline& online) {
    c.hotList.ShowOnline(online.user, online.lineSpeed);
}

void OnHotListUserOffline(Session& c, const protocol::HotListUserOffline& offline) {
    c.hotList.ShowOffline(offline.user);
}

}  // namespace tandril::session
