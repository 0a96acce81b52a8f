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
// Whether the user is on the hot list.
bool IsOnHotList(Session& client, const std::string& user);

// What the user list of a channel offers for a user. Instant messages and ignoring are there;
// until the hot list, user information and the browse part are, those are shown greyed.
enum class UserAction { InstantMessage, AddToHotList, Browse, UserInformation, Ignore, Unignore };
bool UserActionAvailable(Session& client, UserAction action);
void RunUserAction(Session& client, UserAction action, const std::string& user);

// Hot list, channels and the end of a session.
void LoadHotList(Session& client);
void WatchHotListUsers(Session& client);
void SaveIncompleteDownloads(Session& client);
void ClearOnlineViews(Session& client);

}  // namespace tandril::session
