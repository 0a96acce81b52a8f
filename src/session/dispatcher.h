#pragma once
#include <string>

namespace tandril::session {

struct Session;

// Hands one frame from the server to its handler, on the GUI thread. Unknown types are ignored.
void ServerDispatcher(Session& client, int type, const std::string& payload);

}  // namespace tandril::session
