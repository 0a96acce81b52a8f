#pragma once
// What the lists' menus ask of the server about a user they show.

#include <string>

namespace tandril::session {

struct Session;

// 207: the user joins the hot list (AddHotListUser).
void AddToHotList(Session& client, const std::string& user);
// 603: the user's information, shown when the server answers.
void RequestUserInfo(Session& client, const std::string& user);

}  // namespace tandril::session
