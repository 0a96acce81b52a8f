#include "transfer/transfer_lists.h"

#include <cassert>

#include "base/line_speed.h"
#include "base/text.h"

namespace tandril::transfer {

std::uint32_t TransferLists::NextRowId() {
    std::scoped_lock lock(rowIdLock_);
    lastRowId_ = lastRowId_ >= 1000 ? 1 : lastRowId_ + 1;
    return lastRowId_;
}

TransferLists::List& TransferLists::Of(const ListLock& lock, bool outbound) {
    assert(Holds(lock, outbound));
    (void)lock;
    return outbound ? outbound_ : inbound_;
}

TransferRecord& TransferLists::Append(const ListLock& lock, std::unique_ptr<TransferRecord> record) {
    List& list = Of(lock, record->outbound);
    list.push_back(std::move(record));
    return *list.back();
}

TransferRecord* TransferLists::FindByRowId(const ListLock& lock, bool outbound, std::uint32_t rowId) {
    for (auto& r : Of(lock, outbound)) {
        if (r->rowId == rowId) return r.get();
    }
    return nullptr;
}

bool TransferLists::Contains(const ListLock& lock, bool outbound, const TransferRecord* record) {
    for (auto& r : Of(lock, outbound)) {
        if (r.get() == record) return true;
    }
    return false;
}

bool UpdateTransferProgress(TransferRecord& r, std::int64_t now, ProgressCells& cells) {
    if (r.streaming || now - r.lastUpdate < 2) return true;
    r.lastUpdate = now;
    if (r.state != TransferState::Transferring) return true;
    cells.size = GroupThousands(std::to_string(r.position)) + " of " + GroupThousands(std::to_string(r.fileSize));
    cells.speed = LineSpeedName(static_cast<int>(r.peerLineSpeed));
    AddRateSample(r, now);
    const double rate = TransferRate(r);
    if (rate == 0) {
        if (++r.idleUpdates >= 30) return false;
    } else {
        r.idleUpdates = 0;
    }
    if (rate != 0) {
        cells.rate = Format(32, "%.2f k/s", rate);
        const double left = (static_cast<double>(r.fileSize) - static_cast<double>(r.position)) * 0.001 / rate;
        cells.timeLeft = TimeLeftText(static_cast<std::int64_t>(left));
    } else if (r.sampleCount >= 2) {
        // Measured, and nothing moves: no rate and no time left to show, rather than the last ones.
        cells.rate = "--";
        cells.timeLeft = "--";
    } else {
        cells.rate = Format(32, "%.2f k/s", rate);  // not measured yet
    }
    return true;
}

}  // namespace tandril::transfer
