#pragma once

namespace tandril {
class Client;
}

namespace tandril::server {

// Logs in with the account in the client's state over the fresh connection. Interactive calls
// report refusals in alerts; the others write them into the chat windows. 1 logged in, 0 not.
int LoginToServer(Client& client, bool interactive);

}  // namespace tandril::server
