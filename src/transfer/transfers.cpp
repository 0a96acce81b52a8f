#include "transfer/transfers.h"

#include <cassert>

#include "base/line_speed.h"
#include "base/text.h"
#include "protocol/server_messages.h"
#include "transfer/data_port.h"
#include "transfer/download_queue.h"

namespace tandril::transfer {

using namespace std::chrono_literals;

Transfers::Transfers(Runtime& runtime, protocol::FrameSender& serverLink, library::Library& lib)
    : rt(runtime), server(serverLink), library(lib), incomplete(runtime.state.profileFolder) {}
Transfers::~Transfers() = default;

namespace {

std::string SizeText(const TransferRecord& r) {
    return GroupThousands(std::to_string(r.fileSize));
}

std::string BaseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool WaitForData(Transfers& c, int fd, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!c.rt.state.quitting) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left <= 0ms) return false;
        switch (platform::WaitReadable(fd, std::min<std::chrono::milliseconds>(left, 1s))) {
            case platform::WaitResult::Ready:
                return true;
            case platform::WaitResult::Failed:
                return false;
            case platform::WaitResult::TimedOut:
                break;
        }
    }
    return false;
}

Outbox::Outbox(Transfers& c) : protocol::Outbox(c.server) {}

void SetTransferState(Transfers& c, const ListLock& lock, TransferRecord& r, TransferState state) {
    assert(c.lists.Holds(lock, r.outbound));
    (void)lock;
    const std::string status = TransferStatusText(r, state, r.outbound);
    c.view.Edit(r.outbound, r.rowId, [&](TransferRow& row) {
        row.cells[kSizeColumn] = SizeText(r);
        row.cells[kStatusColumn] = status;
        for (int column : {kSpeedColumn, kProgressColumn, kRateColumn, kTimeLeftColumn}) row.cells[column] = " ";
        row.percent = -1;
    });
    if (state != TransferState::Transferring) r.attached = false;
    r.state = state;
}

void SetTransferStateUnlocked(Transfers& c, TransferRecord& r, TransferState state) {
    ListLock lock = c.lists.Take(r.outbound);
    SetTransferState(c, lock, r, state);
}

void AddTransferRow(Transfers& c, const ListLock& lock, TransferRecord& r, int index) {
    assert(c.lists.Holds(lock, r.outbound));
    (void)lock;
    TransferRow row;
    row.rowId = r.rowId;
    row.cells[kNameColumn] = BaseName(r.localPath);
    row.cells[kSizeColumn] = SizeText(r);
    row.cells[kUserColumn] = r.nick;
    row.cells[kStatusColumn] = TransferStatusText(r, r.state, r.outbound);
    c.view.Insert(r.outbound, index, std::move(row));
    r.requestTime = TransferNow();
}

void SetTransferLineSpeed(Transfers& c, const ListLock& lock, TransferRecord& r, std::uint32_t code) {
    assert(c.lists.Holds(lock, r.outbound));
    (void)lock;
    r.peerLineSpeed = code;
    c.view.Edit(r.outbound, r.rowId, [&](TransferRow& row) { row.cells[kSpeedColumn] = LineSpeedName(static_cast<int>(code)); });
}

bool RefreshTransferProgress(Transfers& c, TransferRecord& r) {
    ListLock lock = c.lists.Take(r.outbound);
    ProgressCells cells;
    if (!UpdateTransferProgress(r, TransferNow(), cells)) return false;
    if (cells.size.empty()) return true;  // not refreshed this time
    const int percent = r.fileSize == 0 ? -1 : static_cast<int>(std::uint64_t{r.position} * 100 / r.fileSize);
    c.view.Edit(r.outbound, r.rowId, [&](TransferRow& row) {
        row.cells[kSizeColumn] = cells.size;
        row.cells[kSpeedColumn] = cells.speed;
        row.cells[kRateColumn] = cells.rate;
        if (!cells.timeLeft.empty()) row.cells[kTimeLeftColumn] = cells.timeLeft;
        row.percent = percent;
    });
    return true;
}

void RemoveTransfer(Transfers& c, const ListLock& lock, TransferRecord& r) {
    const bool outbound = r.outbound;
    c.view.Remove(outbound, r.rowId);
    c.lists.Of(lock, outbound).remove_if([&](const auto& p) { return p.get() == &r; });
}

TransferRecord& AddTransfer(Transfers& c, const ListLock& lock, std::unique_ptr<TransferRecord> record) {
    TransferRecord& r = c.lists.Append(lock, std::move(record));
    AddTransferRow(c, lock, r);
    return r;
}

void ShowTransferCounters(Transfers& c) {
    c.view.SetInfo(Format(64, "Inbound Transfers:    %d", c.rt.state.Downloads()),
                   Format(64, "Outbound Transfers:    %d", c.rt.state.Uploads()));
}

void TakeDownloadSlot(Transfers& c, Outbox& out) {
    {
        std::scoped_lock lock(c.rt.state.downloadsLock);
        ++c.rt.state.downloads;
    }
    if (c.rt.state.connected) out.Add(protocol::DownloadStarted{});
    ShowTransferCounters(c);
}

void TakeUploadSlot(Transfers& c) {
    {
        std::scoped_lock lock(c.rt.state.uploadsLock);
        ++c.rt.state.uploads;
    }
    if (c.rt.state.connected) protocol::Send(c.server, protocol::UploadStarted{});
    ShowTransferCounters(c);
}

void ReleaseUploadSlot(Transfers& c) {
    int left = 0;
    {
        std::scoped_lock lock(c.rt.state.uploadsLock);
        c.rt.state.uploads = std::max(0, c.rt.state.uploads - 1);
        left = c.rt.state.uploads;
    }
    if (c.rt.state.connected) protocol::Send(c.server, protocol::UploadEnded{});
    ShowTransferCounters(c);
    if (left == 0 && c.rt.state.exitAfterUploads) c.rt.RequestApplicationExit();
}

// An upload holds its slot only while its connection is served: one still waiting for the
// requester (Connecting) has none to give back.
void CancelTransfers(Transfers& c, bool outbound, const std::vector<std::uint32_t>& rowIds) {
    int freedDownloads = 0;
    std::vector<std::uint32_t> streams;
    {
        ListLock lock = c.lists.Take(outbound);
        for (std::uint32_t id : rowIds) {
            TransferRecord* r = c.lists.FindByRowId(lock, outbound, id);
            if (!r) continue;
            const TransferState s = r->state;
            if (s == TransferState::Transferring || r->attached) {
                r->stopRequest = 1;
                if (r->streaming) streams.push_back(id);
            } else if (s == TransferState::Connecting || (!outbound && s == TransferState::Resuming)) {
                SetTransferState(c, lock, *r, TransferState::Cancelled);
                if (!outbound) ++freedDownloads;
            } else if (!outbound && (s == TransferState::Queued || s == TransferState::RemotelyQueued)) {
                SetTransferState(c, lock, *r, TransferState::Cancelled);
            }
        }
    }
    for (std::uint32_t id : streams) c.streams.Stop(id);  // the sound stops now, not at the next block
    for (int i = 0; i < freedDownloads; ++i) StartNextQueuedDownload(c);
}

void DeleteTransfers(Transfers& c, bool outbound, const std::vector<std::uint32_t>& rowIds) {
    int freedDownloads = 0;
    std::vector<std::uint32_t> streams;
    {
        ListLock lock = c.lists.Take(outbound);
        for (std::uint32_t id : rowIds) {
            TransferRecord* r = c.lists.FindByRowId(lock, outbound, id);
            if (!r) continue;
            if (r->state == TransferState::Transferring || r->attached) {
                r->stopRequest = 2;
                if (r->streaming) streams.push_back(id);
                continue;
            }
            if (!outbound && (r->state == TransferState::Connecting || r->state == TransferState::Resuming)) ++freedDownloads;
            RemoveTransfer(c, lock, *r);
        }
    }
    for (std::uint32_t id : streams) c.streams.Stop(id);
    for (int i = 0; i < freedDownloads; ++i) StartNextQueuedDownload(c);
}

void ClearFinishedTransfers(Transfers& c) {
    for (bool outbound : {false, true}) {
        ListLock lock = c.lists.Take(outbound);
        auto& list = c.lists.Of(lock, outbound);
        for (auto it = list.begin(); it != list.end();) {
            TransferRecord& r = **it++;
            if (IsTransferFinished(r) && !r.attached) RemoveTransfer(c, lock, r);
        }
    }
}

std::optional<TransferSummary> SummariseTransfer(Transfers& c, bool outbound, std::uint32_t rowId) {
    ListLock lock = c.lists.Take(outbound);
    TransferRecord* r = c.lists.FindByRowId(lock, outbound, rowId);
    if (!r) return std::nullopt;
    return TransferSummary{r->nick, r->localPath, r->state};
}

}  // namespace tandril::transfer
