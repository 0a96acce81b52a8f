#include "transfer/transfer_lists.h"

#include "base/line_speed.h"
#include "base/text.h"

namespace tandril::transfer {

std::uint32_t TransferLists::NextRowId() {
    std::scoped_lock lock(rowIdLock_);
    lastRowId_ = lastRowId_ >= 1000 ? 1 : lastRowId_ + 1;
    return lastRowId_;
}

TransferRecord& TransferLists::Append(std::unique_ptr<TransferRecord> record) {
    const bool outbound = record->outbound;
    std::scoped_lock lock(Lock(outbound));
    Of(outbound).push_back(std::move(record));
    return *Of(outbound).back();
}

TransferRecord* TransferLists::FindByRowId(bool outbound, std::uint32_t rowId) {
    std::scoped_lock lock(Lock(outbound));
    for (auto& r : Of(outbound)) {
        if (r->rowId == rowId) return r.get();
    }
    return nullptr;
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
    cells.rate = Format(32, "%.2f k/s", rate);
    if (rate != 0) {
        const double left = (static_cast<double>(r.fileSize) - static_cast<double>(r.position)) * 0.001 / rate;
        cells.timeLeft = TimeLeftText(static_cast<std::int64_t>(left));
    }
    return true;
}

}  // namespace tandril::transfer
