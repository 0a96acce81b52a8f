#include "browse/browse_actions.h"

#include "base/text.h"
#include "browse/browse.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"

namespace tandril::browse {

void DownloadBrowsed(Browse& b, const std::vector<std::size_t>& rows) {
    const BrowseRecords records = b.view.Records();
    const std::string nick = b.BrowsedUser();
    if (nick.empty()) return;
    for (std::size_t row : rows) {
        if (row >= records->size()) continue;
        const BrowseRecord& r = (*records)[row];
        if (b.rt.state.Downloads() < b.rt.state.settings().maxDownloads) {
            transfer::StartDownload(b.transfers, r.name, nick, r.size);
        } else {
            transfer::EnqueueDownload(b.transfers, r.name, nick, r.size, r.hash);
        }
    }
}

void PlayBrowsed(Browse& b, std::size_t row) {
    const BrowseRecords records = b.view.Records();
    const std::string nick = b.BrowsedUser();
    if (nick.empty() || row >= records->size()) return;
    const BrowseRecord& r = (*records)[row];
    std::string_view name = r.name;
    if (name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), ".wma")) {
        b.rt.ui.ShowAlert(AlertKind::Modal, "WMA files cannot currently be streamed.");
        return;
    }
    transfer::StartDownload(b.transfers, r.name, nick, r.size, transfer::TransferState::Connecting, true);
}

}  // namespace tandril::browse
