#pragma once
// What the places that show a user (results, transfers, the hot list, a channel's user list) can
// do with that user.

#include <string>

#include "session/session.h"

namespace tandril::session {

// Browses the user's shared files.
void BrowseUser(Session& client, const std::string& user);

// What the user list of a channel offers for a user.
enum class UserAction { InstantMessage, AddToHotList, Browse, UserInformation, Ignore, Unignore };
bool UserActionAvailable(Session& client, UserAction action);
void RunUserAction(Session& client, UserAction action, const std::string& user);

}  // namespace tandril::session
