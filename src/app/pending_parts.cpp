#include "app/pending_parts.h"

#include "app/client.h"

namespace tandril {

void HandleUpgradeOffer(Client&, const std::string&) {}
void HandleLaterMessage(Client&, int, const std::string&) {}

void StartDataPortListener(Client&) {}
void LoadHotList(Client&) {}
void WatchHotListUsers(Client&) {}
void RestartWaitingTransfers(Client&) {}
void OpenChannelList(Client&) {}
void JoinStoredChannels(Client&) {}
void SaveIncompleteDownloads(Client&) {}
void CloseChannelWindowsSilently(Client&) {}
void ClearOnlineViews(Client&) {}

void HandleCommandLine(Client& client, const std::vector<std::string>& arguments) {
    if (!arguments.empty()) HandleProtocolUrl(client, arguments.front());
}

void HandleProtocolUrl(Client& client, const std::string& link) {
    Q_EMIT client.linkReceived(QString::fromStdString(link));
}

}  // namespace tandril
