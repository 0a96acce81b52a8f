#pragma once
// The inbound (downloads, in queue order) and outbound (uploads) transfer lists, each behind its
// own lock, the row ids their views use, and the progress refresh that workers call.

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "transfer/transfer_record.h"

namespace tandril::transfer {

// Held by whoever reads or changes a list or its records; an operation that takes one in its
// parameters needs its caller to hold it.
using ListLock = std::unique_lock<std::mutex>;

class TransferLists {
public:
    using List = std::list<std::unique_ptr<TransferRecord>>;

    ListLock Take(bool outbound) { return ListLock(outbound ? outboundLock_ : inboundLock_); }
    // True when `lock` is the lock of that list, held.
    bool Holds(const ListLock& lock, bool outbound) const {
        return lock.owns_lock() && lock.mutex() == (outbound ? &outboundLock_ : &inboundLock_);
    }
    // The list itself, for a caller that holds its lock.
    List& Of(const ListLock& lock, bool outbound);

    // How many records the list holds (it takes the lock).
    std::size_t Size(bool outbound) {
        ListLock lock = Take(outbound);
        return Of(lock, outbound).size();
    }

    // 1, 2, ... 1000, then 1 again.
    std::uint32_t NextRowId();
    TransferRecord& Append(const ListLock& lock, std::unique_ptr<TransferRecord> record);
    TransferRecord* FindByRowId(const ListLock& lock, bool outbound, std::uint32_t rowId);
    // Whether the record is still in its list (it may have been removed meanwhile); the pointer is
    // only compared, never followed.
    bool Contains(const ListLock& lock, bool outbound, const TransferRecord* record);

private:
    mutable std::mutex inboundLock_, outboundLock_;
    List inbound_, outbound_;
    std::mutex rowIdLock_;
    std::uint32_t lastRowId_ = 0;
};

// The cells a progress refresh rewrites; a cell left empty keeps what it showed.
struct ProgressCells {
    std::string size;      // "1,048,576 of 3,145,728"
    std::string speed;     // the peer's line-speed name
    std::string rate;      // "12.34 k/s"
    std::string timeLeft;  // "hh:mm:ss", only with a rate
};

// The refresh a worker runs after each block and once a second while it waits, at second `now`:
// at most every two seconds, only while Transferring. False when 30 refreshes in a row measured
// no progress at all: the transfer is to be abandoned as stalled.
bool UpdateTransferProgress(TransferRecord& record, std::int64_t now, ProgressCells& cells);

}  // namespace tandril::transfer
