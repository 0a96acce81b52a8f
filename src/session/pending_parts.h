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

// A file of the transfer lists in the built-in player.
void PlayLocalFile(Session& client, const std::string& path);
// A search result played while it downloads.
void StreamWhileDownloading(Session& client, const std::string& fileName, const std::string& user, std::uint32_t size);

// A user met in a result: an instant message to them, or their shared files.
void OpenInstantMessage(Session& client, const std::string& user);
void BrowseUser(Session& client, const std::string& user);

// Hot list, channels and the end of a session.
void LoadHotList(Session& client);
void WatchHotListUsers(Session& client);
void OpenChannelList(Session& client);
void JoinStoredChannels(Session& client);
void SaveIncompleteDownloads(Session& client);
void CloseChannelWindowsSilently(Session& client);
void ClearOnlineViews(Session& client);

}  // namespace tandril::session
