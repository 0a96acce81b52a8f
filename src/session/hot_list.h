#pragma once
// The hot list between the user, the server and notify.dat: read at start-up, registered after
// every login (208), added to through the server (207, answered by 301 or 302), removed from after
// a question (303), and shown online or offline as the server reports (209, 210).

#include <string>
#include <vector>

#include "protocol/hot_list_messages.h"

namespace tandril::session {

struct Session;

// notify.dat from the profile folder; every user offline.
void LoadHotList(Session& client);
// After a login: 208 for every listed user, in list order.
void RegisterHotList(Session& client);
bool IsOnHotList(Session& client, const std::string& user);
// Sends 207; the user is listed when the server answers 301. False without a connection (nothing sent).
bool AddHotListUser(Session& client, const std::string& user);
// "&Effacer l'Utilisateur": asks for each user, then 303, the entry and its row go and
// notify.dat is rewritten.
void RemoveHotListUsers(Session& client, const std::vector<std::string>& users);
// The connection is gone: every listed user shows offline.
void ShowHotListOffline(Session& client);

// The server's answers.
void OnHotListAdded(Session& client, const protocol::HotListAdded& added);
void OnHotListNoSuchUser(Session& client, const protocol::HotListNoSuchUser& refused);
void OnHotListUserOnline(Session& client, const protocol::HotListUserOnline& online);
void OnHotListUserOffline(Session& client, const protocol::HotListUserOffline& offline);

}  // namespace tandril::session
