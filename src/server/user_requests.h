#pragma once
// What the lists' menus ask of the server about a user they show.

#include <string>

namespace tandril {
class Client;
}

namespace tandril::server {

// 207: the user joins the hot list.
void AddToHotList(Client& client, const std::string& user);
// 603: the user's information, shown when the server answers.
void RequestUserInfo(Client& client, const std::string& user);

}  // namespace tandril::server
