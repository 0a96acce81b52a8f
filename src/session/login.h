#pragma once

namespace tandril::session {

struct Session;

// Logs in with the account in the client's state over the fresh connection. Interactive calls
// report refusals in alerts; the others write them into the chat windows. 1 logged in, 0 not.
int LoginToServer(Session& client, bool interactive);

}  // namespace tandril::session
