#pragma once
// Changes to the account made while online: password, e-mail address, line speed, data port.

#include <string>

namespace tandril {
class Client;
}

namespace tandril::server {

void ChangePassword(Client& client, const std::string& password);
void ChangeEmail(Client& client, const std::string& email);
void SetLineSpeed(Client& client, int code);
// A port below 0 or from 65535 up is refused with a notice; 0 means firewalled.
void SetDataPort(Client& client, long long port);

}  // namespace tandril::server
