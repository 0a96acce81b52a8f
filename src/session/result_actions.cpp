#include "session/result_actions.h"

#include <filesystem>

#include "base/text.h"
#include "session/instant_messages.h"
#include "session/session.h"
#include "session/user_actions.h"
#include "session/user_requests.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"

namespace tandril::session {

void DownloadResults(Session& c, const std::vector<search::SearchResult>& results) {
    if (!c.search.Idle() || results.empty()) return;
    c.rt.main.ShowPage(MainViewModel::TransfersPage);
    for (const search::SearchResult& r : results) {
        if (c.rt.state.Downloads() < c.rt.state.settings().maxDownloads) {
            transfer::StartDownload(c.transfers, r.fileName, r.user, r.size);
        } else {
            transfer::EnqueueDownload(c.transfers, r.fileName, r.user, r.size, r.hash);
        }
    }
}

void AddResultUsersToHotList(Session& c, const std::vector<search::SearchResult>& results) {
    if (!c.search.Idle()) return;
    if (results.empty()) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "Select one or more Users first.");
        return;
    }
    for (const search::SearchResult& r : results) AddToHotList(c, r.user);
    const int count = static_cast<int>(results.size());
    c.rt.ui.Ask({Format(128, "Added %d %s to your list.", count, count == 1 ? "User" : "Users"), "Add Selected User to Hot List",
                 Buttons::Ok, Icon::Information});
}

void AskResultUsersInfo(Session& c, const std::vector<search::SearchResult>& results) {
    if (!c.search.Idle()) return;
    for (const search::SearchResult& r : results) RequestUserInfo(c, r.user);
}

void MessageResultUser(Session& c, const std::vector<search::SearchResult>& results) {
    if (c.search.Idle() && !results.empty()) OpenInstantMessage(c, results.front().user);
}

void BrowseResultUser(Session& c, const std::vector<search::SearchResult>& results) {
    if (c.search.Idle() && !results.empty()) BrowseUser(c, results.front().user);
}

void PlayResult(Session& c, const search::SearchResult& result) {
    if (!c.search.Idle()) return;
    std::string_view name = result.fileName;
    if (name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), ".wma")) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "WMA files cannot currently be streamed.");
        return;
    }
    // A stream starts whatever the download limit: the user is waiting to hear it.
    transfer::StartDownload(c.transfers, result.fileName, result.user, result.size, transfer::TransferState::Connecting, true);
}

void ClearResults(Session& c) {
    if (!c.search.Idle()) return;
    c.search.Clear();
}

void PlayTransfer(Session& c, bool outbound, std::uint32_t rowId) {
    auto summary = transfer::SummariseTransfer(c.transfers, outbound, rowId);
    if (!summary) return;
    if (summary->state == transfer::TransferState::Connecting) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "Download has not yet started!");
        return;
    }
    // A download in progress is written beside its name and takes it once complete (a resume
    // writes the file itself): what has arrived plays, chosen by the name's extension.
    std::error_code ec;
    const bool underItsName = std::filesystem::exists(summary->localPath, ec);
    const std::string partial = transfer::PartialPath(summary->localPath);
    const std::string file = !outbound && !underItsName && std::filesystem::exists(partial, ec) ? partial : summary->localPath;
    c.panel.PlayDownloadFile(file, summary->localPath);
}

}  // namespace tandril::session
