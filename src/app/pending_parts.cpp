#include "app/pending_parts.h"

#include "app/client.h"

namespace tandril {

void HandleUpgradeOffer(Client&, const std::string&) {}

void PlayLocalFile(Client&, const std::string&) {}
void StreamWhileDownloading(Client&, const std::string&, const std::string&, std::uint32_t) {}

void OpenInstantMessage(Client&, const std::string&) {}
void BrowseUser(Client&, const std::string&) {}

void LoadHotList(Client&) {}
void WatchHotListUsers(Client&) {}
void OpenChannelList(Client&) {}
void JoinStoredChannels(Client&) {}
void SaveIncompleteDownloads(Client&) {}
void CloseChannelWindowsSilently(Client&) {}
void ClearOnlineViews(Client&) {}

}  // namespace tandril
