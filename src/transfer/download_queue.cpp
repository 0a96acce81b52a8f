#include "transfer/download_queue.h"

#include <algorithm>

#include "base/text.h"
#include "protocol/server_messages.h"
#include "transfer/download.h"
#include "transfer/resume.h"
#include "transfer/transfers.h"
#include "transfer/web_download.h"

namespace tandril::transfer {

void AskForDownload(Transfers& c, const ListLock&, TransferRecord& r, Outbox& out) {
    r.requestTime = TransferNow();
    if (IsWebName(r.remoteName)) {
        // Fetched from its web server: the index server hears nothing of it.
        r.attached = true;
        TransferRecord* record = &r;
        c.rt.StartWorker([&c, record] { WebFetchWorker(c, *record); });
        return;
    }
    out.Add(protocol::DownloadRequest{r.nick, r.remoteName});
}

void AskForDownload(Transfers& c, TransferRecord& r) {
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    AskForDownload(c, lock, r, out);
}

void EnqueueDownload(Transfers& c, const std::string& remoteName, const std::string& nick, std::uint32_t size,
                     const std::string& checksum) {
    std::string localPath = DownloadPathOrAlert(c, remoteName);
    if (localPath.empty()) return;
    auto record = std::make_unique<TransferRecord>(false, CutText(nick, 19), CutText(remoteName, 349), CutText(checksum, 49), size, 0, 0,
                                                   c.lists.NextRowId(), TransferNow());
    record->state = TransferState::Queued;
    record->localPath = std::move(localPath);
    ListLock lock = c.lists.Take(false);
    AddTransfer(c, lock, std::move(record));
}

namespace {

// The first record waiting in `state`, from the head of the queue (the inbound lock held).
TransferRecord* FirstWaiting(Transfers& c, const ListLock& lock, TransferState state, const std::string& notOfNick = {}) {
    for (auto& r : c.lists.Of(lock, false)) {
        if (r->state == state && (notOfNick.empty() || !EqualsNoCase(r->nick, notOfNick))) return r.get();
    }
    return nullptr;
}

// The slot of a download that ended (or waits on a full queue) passes to `next`.
void PassSlotTo(Transfers& c, const ListLock& lock, TransferRecord& next, Outbox& out) {
    SetTransferState(c, lock, next, TransferState::Connecting);
    out.Add(protocol::DownloadEnded{});
    out.Add(protocol::DownloadStarted{});
    AskForDownload(c, lock, next, out);
}

void LowerDownloadCount(Transfers& c) {
    std::scoped_lock lock(c.rt.state.downloadsLock);
    c.rt.state.downloads = std::max(0, c.rt.state.downloads - 1);
}

}  // namespace

void StartNextQueuedDownload(Transfers& c) {
    const int downloads = c.rt.state.Downloads();
    const int maxDownloads = c.rt.state.settings().maxDownloads;
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        if (downloads <= maxDownloads && c.rt.state.connected) {
            TransferRecord* next = FirstWaiting(c, lock, TransferState::RemotelyQueued);
            if (!next) next = FirstWaiting(c, lock, TransferState::Queued);
            if (next) return PassSlotTo(c, lock, *next, out);
        }
    }
    LowerDownloadCount(c);
    if (c.rt.state.connected) protocol::Send(c.server, protocol::DownloadEnded{});
    ShowTransferCounters(c);
}

void OnRemoteQueueFull(Transfers& c, const protocol::RemoteQueueFull& m) {
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        TransferRecord* full =
            FindInbound(c, lock, m.user, m.fileName, {TransferState::Connecting, TransferState::Resuming, TransferState::RemotelyQueued});
        if (!full) return;
        SetTransferState(c, lock, *full, TransferState::RemotelyQueued);
        if (TransferRecord* next = c.rt.state.connected ? FirstWaiting(c, lock, TransferState::Queued, m.user) : nullptr)
            return PassSlotTo(c, lock, *next, out);
    }
    // Nobody else waits: the slot is given back here only; the server heard of the full queue.
    LowerDownloadCount(c);
    ShowTransferCounters(c);
}

void ForceTransfer(Transfers& c, const std::vector<std::uint32_t>& rowIds) {
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    for (std::uint32_t id : rowIds) {
        TransferRecord* r = c.lists.FindByRowId(lock, false, id);
        if (!r || (r->state != TransferState::Queued && r->state != TransferState::RemotelyQueued)) continue;
        TakeDownloadSlot(c, out);
        SetTransferState(c, lock, *r, TransferState::Connecting);
        AskForDownload(c, lock, *r, out);
    }
}

namespace {

void MoveInQueueLocked(Transfers& c, const ListLock& lock, QueueMove move, const std::vector<std::uint32_t>& rowIds,
                       std::vector<const char*>& alerts) {
    auto& list = c.lists.Of(lock, false);
    if (rowIds.size() >= list.size()) return;  // every row selected: nothing can move
    // Each selected record moves once. Up and Bottom take them from the top, Down and Top from the
    // bottom, so that a block of selected rows keeps its order and moves as a whole.
    std::vector<TransferRecord*> selected;
    for (auto& r : list) {
        if (std::find(rowIds.begin(), rowIds.end(), r->rowId) != rowIds.end()) selected.push_back(r.get());
    }
    if (move == QueueMove::Down || move == QueueMove::Top) std::reverse(selected.begin(), selected.end());
    for (TransferRecord* record : selected) {
        auto at = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.get() == record; });
        const bool up = move == QueueMove::Up || move == QueueMove::Top;
        if (up ? at == list.begin() : std::next(at) == list.end()) {
            alerts.push_back(up ? "File is already at the top of the queue!" : "File is already at the bottom of the queue!");
            continue;
        }
        auto to = move == QueueMove::Up     ? std::prev(at)
                  : move == QueueMove::Down ? std::next(at, 2)
                  : move == QueueMove::Top  ? list.begin()
                                            : list.end();
        list.splice(to, list, at);
        const auto index = static_cast<int>(
            std::distance(list.begin(), std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.get() == record; })));
        c.view.Remove(false, record->rowId);
        AddTransferRow(c, lock, *record, index);
    }
}

}  // namespace

void MoveInQueue(Transfers& c, QueueMove move, const std::vector<std::uint32_t>& rowIds) {
    // The alerts wait until the lock is let go.
    std::vector<const char*> alerts;
    {
        ListLock lock = c.lists.Take(false);
        MoveInQueueLocked(c, lock, move, rowIds, alerts);
    }
    for (const char* text : alerts) c.rt.ui.ShowAlert(AlertKind::Modal, text);
}

void TimeoutSweep(Transfers& c) {
    const std::int64_t now = TransferNow();
    int failedDownloads = 0;
    // A record whose worker runs is left to the worker's own time-outs.
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        for (auto& r : c.lists.Of(lock, false)) {
            // A resumed download whose current source never answered moves on to the next one.
            if (r->state == TransferState::Resuming && r->currentSource && !r->attached && now - r->requestTime > 300) {
                if (TryNextSource(c, lock, *r, out)) continue;
                r->timedOut = true;
                SetTransferState(c, lock, *r, TransferState::Error);
                ++failedDownloads;
                continue;
            }
            if (r->state != TransferState::Connecting || r->attached || now - r->requestTime <= 300) continue;
            r->timedOut = true;
            r->stopRequest = 1;
            SetTransferState(c, lock, *r, TransferState::Error);
            ++failedDownloads;
        }
    }
    {
        ListLock lock = c.lists.Take(true);
        for (auto& r : c.lists.Of(lock, true)) {
            if (r->state != TransferState::Connecting || r->attached || now - r->requestTime <= 360) continue;
            r->timedOut = true;
            SetTransferState(c, lock, *r, TransferState::Error);  // it held no upload slot yet
        }
    }
    for (int i = 0; i < failedDownloads; ++i) StartNextQueuedDownload(c);
}

namespace {

// Queued downloads start in list order while download slots are free.
void StartQueuedDownloadsThatFit(Transfers& c, const ListLock& lock, Outbox& out) {
    const int maxDownloads = c.rt.state.settings().maxDownloads;
    for (auto& r : c.lists.Of(lock, false)) {
        if (c.rt.state.Downloads() >= maxDownloads) break;
        if (r->state != TransferState::Queued) continue;
        SetTransferState(c, lock, *r, TransferState::Connecting);
        AskForDownload(c, lock, *r, out);
        TakeDownloadSlot(c, out);
    }
}

}  // namespace

void StartQueuedDownloadsThatFit(Transfers& c) {
    if (!c.rt.state.connected) return;
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        StartQueuedDownloadsThatFit(c, lock, out);
    }
    ShowTransferCounters(c);
}

void RestartTransfersAfterLogin(Transfers& c) {
    {
        std::scoped_lock lock(c.rt.state.downloadsLock);
        c.rt.state.downloads = 0;
    }
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    for (auto& r : c.lists.Of(lock, false)) {
        if (r->state == TransferState::Transferring || r->attached) {
            TakeDownloadSlot(c, out);  // still running: it keeps its slot
        } else if (r->state == TransferState::Connecting || r->state == TransferState::Resuming) {
            SetTransferState(c, lock, *r, TransferState::Error);
        }
    }
    StartQueuedDownloadsThatFit(c, lock, out);
    ShowTransferCounters(c);
}

}  // namespace tandril::transfer
