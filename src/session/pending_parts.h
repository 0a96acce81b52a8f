#pragma once
// The steps of start-up, exit and the session that belong to parts of the client still being
// written (library, transfers, chat, hot list, registration, reconnection, links). Each does the
// least that its part allows today, so that start-up and exit run end to end; each is replaced by
// the real operation when its part arrives. None of them is finished work.

#include <cstdint>
#include <string>
#include <vector>

#include "session/session.h"

namespace tandril::session {

// A user met in a result: their shared files.
void BrowseUser(Session& client, const std::string& user);

// What the user list of a channel offers for a user: everything but browsing, which is shown
// greyed until the browse part is there.
enum class UserAction { InstantMessage, AddToHotList, Browse, UserInformation, Ignore, Unignore };
bool UserActionAvailable(Session& client, UserAction action);
void RunUserAction(Session& client, UserAction action, const std::string& user);

}  // namespace tandril::session
