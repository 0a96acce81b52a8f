#include "transfer/download_queue.h"

#include "app/client.h"
#include "app/text_format.h"
#include "server/get_field.h"
#include "transfer/download.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

void AskForDownload(Client& c, TransferRecord& r) {
    std::string nick, name;
    {
        std::scoped_lock lock(c.transfers.lists.Lock(false));
        r.requestTime = TransferNow();
        nick = r.nick;
        name = r.remoteName;
    }
    c.link.SendServerMessage(203, nick + " \"" + name + "\"");
}

void EnqueueDownload(Client& c, const std::string& remoteName, const std::string& nick, std::uint32_t size, const std::string& checksum) {
    auto record = std::make_unique<TransferRecord>(false, nick, remoteName, checksum, size, 0, 0, c.transfers.lists.NextRowId(), TransferNow());
    record->state = TransferState::Queued;
    record->localPath = LocalDownloadPath(c, remoteName);
    AddTransfer(c, std::move(record));
}

namespace {

// The first record waiting in `state`, from the head of the queue (the inbound lock held).
TransferRecord* FirstWaiting(Client& c, TransferState state, const std::string& notOfNick = {}) {
    for (auto& r : c.transfers.lists.Of(false)) {
        if (r->state == state && (notOfNick.empty() || !server::EqualsNoCase(r->nick, notOfNick))) return r.get();
    }
    return nullptr;
}

}  // namespace

void StartNextQueuedDownload(Client& c) {
    int downloads = c.state.Downloads();
    TransferRecord* next = nullptr;
    {
        std::scoped_lock lock(c.transfers.lists.Lock(false));
        if (downloads <= c.state.settings.maxDownloads && c.state.connected) {
            next = FirstWaiting(c, TransferState::RemotelyQueued);
            if (!next) next = FirstWaiting(c, TransferState::Queued);
            if (next) {
                // The slot passes from the download that ended to this one.
                SetTransferState(c, *next, TransferState::Connecting);
                c.link.SendServerMessage(219, "");
                c.link.SendServerMessage(218, "");
                AskForDownload(c, *next);
                return;
            }
        }
    }
    {
        std::scoped_lock lock(c.state.downloadsLock);
        c.state.downloads = std::max(0, c.state.downloads - 1);
    }
    if (c.state.connected) c.link.SendServerMessage(219, "");
    ShowTransferCounters(c);
}

}  // namespace tandril::transfer
