#pragma once
#include <string>

namespace tandril {
class Client;
}

namespace tandril::server {

// Hands one frame from the server to its handler, on the GUI thread. Unknown types are ignored.
void ServerDispatcher(Client& client, int type, const std::string& payload);

}  // namespace tandril::server
