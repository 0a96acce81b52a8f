#include "server/dispatcher.h"

#include <ctime>

#include "app/account.h"
#include "app/client.h"
#include "app/pending_parts.h"
#include "base/settings.h"
#include "base/text.h"
#include "search/search_session.h"
#include "server/account_changes.h"
#include "server/connectivity_probes.h"
#include "server/invalid_password.h"
#include "server/server_disconnect.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/push.h"
#include "transfer/upload.h"

namespace tandril::server {

namespace {

std::string TimeText() {
    std::string t = CTimeText(std::time(nullptr));
    if (!t.empty() && t.back() == '\n') t.pop_back();
    return t;
}

void OnError(Client& c, const std::string& text) {
    if (ContainsNoCase(text, "invalid password")) {
        ServerDisconnect(c, false);
        InvalidPasswordDialog(c);
        return;
    }
    c.ui.ShowAlert(AlertKind::Modeless, text);
}

void OnServerStatistics(Client& c, const std::string& payload) {
    std::string fields[3];
    for (int i = 0; i < 3; ++i) fields[i] = GetField(payload, i + 1, 50).value_or("");
    c.SetStatusText(1, Format(99, "Currently %s users sharing %s files (%s gigs)", GroupThousands(fields[0]).c_str(),
                              GroupThousands(fields[1]).c_str(), GroupThousands(fields[2]).c_str()));
}

void OnImposedDataPort(Client& c, const std::string& payload) {
    if (Trim(payload).empty()) return;
    SetDataPort(c, DecimalValue(payload));
    SaveAccount(c);
}

void OnImposedLineSpeed(Client& c, const std::string& payload) {
    std::string_view code = Trim(payload);
    if (code.empty()) return;
    c.state.lineSpeed = static_cast<int>(DecimalValue(code));
    SaveAccount(c);
}

void OnMessageOfTheDay(Client& c, const std::string& payload) {
    c.chat.AppendLine(c.chat.Current(), "MOTD", Format(chat::kMaxChatLine, "* %s", payload.c_str()), true);
}

void OnServerPong(Client& c, const std::string& payload) {
    std::string when = TimeText();
    std::string_view sent = Trim(payload);
    std::string line = sent.empty() ? Format(255, "[%s] Received pong from server.", when.c_str())
                                    : Format(255, "[%s] Received pong from server: %d seconds!", when.c_str(),
                                             static_cast<int>(std::time(nullptr) - DecimalValue(sent)));
    c.chat.ShowInBothWindows(line);
}

void OnUserPong(Client& c, const std::string& payload) {
    std::string name(Trim(payload));
    c.chat.ShowInBothWindows(Format(255, "[%s] Pong from %s!", TimeText().c_str(), name.c_str()));
}

void OnBothFirewalled(Client& c, const std::string& payload) {
    auto user = GetField(payload, 1, kMaxUserName + 1);
    if (!user) return;
    if (c.ui.AskBothFirewalled(*user)) SetDataPort(c, 6699);
}

}  // namespace

void ServerDispatcher(Client& client, int type, const std::string& payload) {
    switch (type) {
        case 0:
            OnError(client, payload);
            break;
        case 1:
            client.ui.ShowAlert(AlertKind::Modal, payload);
            break;
        case 201:
            search::OnSearchResult(client, payload);
            break;
        case 202:
            search::OnEndOfSearch(client);
            break;
        case 204:
            transfer::OnDownloadAddress(client, payload);
            break;
        case 206:
        case 609:
            transfer::OnDownloadRefused(client, payload);
            break;
        case 214:
            transfer::TimeoutSweep(client);
            OnServerStatistics(client, payload);
            break;
        case 501:
            transfer::OnPushRequest(client, payload);
            break;
        case 601:
            transfer::OnLineSpeed(client, payload);
            break;
        case 620:
            transfer::OnRemoteQueueFull(client, payload);
            break;
        case 607:
            transfer::OnUploadRequest(client, payload);
            break;
        case 404:
            client.chat.ShowInBothWindows(payload);
            break;
        case 613:
            OnImposedDataPort(client, payload);
            break;
        case 621:
            OnMessageOfTheDay(client, payload);
            break;
        case 625:
            OnImposedLineSpeed(client, payload);
            break;
        case 748:
            client.state.suppressReconnectOnce = true;
            break;
        case 750:
            OnServerPong(client, payload);
            break;
        case 751:
            client.link.SendServerMessage(752, payload);
            break;
        case 752:
            OnUserPong(client, payload);
            break;
        case 900:
        case 901:
            StartConnectivityProbe(client, type, payload);
            break;
        case 1200:
            OnBothFirewalled(client, payload);
            break;
        case 3:
            break;  // a login acceptance outside a login changes nothing
        case 5:
            HandleUpgradeOffer(client, payload);
            break;
        default:
            HandleLaterMessage(client, type, payload);
            break;
    }
}

}  // namespace tandril::server
