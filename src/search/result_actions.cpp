#include "search/result_actions.h"

#include "app/client.h"
#include "app/pending_parts.h"
#include "base/text.h"
#include "server/user_requests.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"

namespace tandril::search {

void DownloadResults(Client& c, const std::vector<SearchResult>& results) {
    if (!c.search.Idle() || results.empty()) return;
    c.main.ShowPage(MainViewModel::TransfersPage);
    for (const SearchResult& r : results) {
        if (c.state.Downloads() < c.state.settings.maxDownloads) {
            transfer::StartDownload(c, r.fileName, r.user, r.size);
        } else {
            transfer::EnqueueDownload(c, r.fileName, r.user, r.size, r.hash);
        }
    }
}

void AddResultUsersToHotList(Client& c, const std::vector<SearchResult>& results) {
    if (!c.search.Idle()) return;
    if (results.empty()) {
        c.ui.ShowAlert(AlertKind::Modal, "Select one or more Users first.");
        return;
    }
    for (const SearchResult& r : results) server::AddToHotList(c, r.user);
    const int count = static_cast<int>(results.size());
    c.ui.Ask({Format(128, "Added %d %s to your list.", count, count == 1 ? "User" : "Users"), "Add Selected User to Hot List", Buttons::Ok,
              Icon::Information});
}

void AskResultUsersInfo(Client& c, const std::vector<SearchResult>& results) {
    if (!c.search.Idle()) return;
    for (const SearchResult& r : results) server::RequestUserInfo(c, r.user);
}

void MessageResultUser(Client& c, const std::vector<SearchResult>& results) {
    if (c.search.Idle() && !results.empty()) OpenInstantMessage(c, results.front().user);
}

void BrowseResultUser(Client& c, const std::vector<SearchResult>& results) {
    if (c.search.Idle() && !results.empty()) BrowseUser(c, results.front().user);
}

void PlayResult(Client& c, const SearchResult& result) {
    if (!c.search.Idle()) return;
    std::string_view name = result.fileName;
    if (name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), ".wma")) {
        c.ui.ShowAlert(AlertKind::Modal, "WMA files cannot currently be streamed.");
        return;
    }
    StreamWhileDownloading(c, result.fileName, result.user, result.size);
}

void ClearResults(Client& c) {
    if (!c.search.Idle()) return;
    c.search.Clear();
}

}  // namespace tandril::search
