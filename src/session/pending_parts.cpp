#include "session/pending_parts.h"

#include "session/session.h"

namespace tandril::session {

void PlayLocalFile(Session&, const std::string&) {}
void StreamWhileDownloading(Session&, const std::string&, const std::string&, std::uint32_t) {}

void OpenInstantMessage(Session&, const std::string&) {}
void BrowseUser(Session&, const std::string&) {}

void LoadHotList(Session&) {}
void WatchHotListUsers(Session&) {}
void OpenChannelList(Session&) {}
void JoinStoredChannels(Session&) {}
void SaveIncompleteDownloads(Session&) {}
void CloseChannelWindowsSilently(Session&) {}
void ClearOnlineViews(Session&) {}

}  // namespace tandril::session
