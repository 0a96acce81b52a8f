#pragma once
// What the client keeps about its transfers, and the operations on records that every transfer
// path shares: state changes and rows, slots and their counters, cancel, delete and clear.
//
// Record fields are read and written under the lock of the record's list (the order of the locks
// is written in base/lock_order.h). A record whose worker runs (Transferring or Attached) is never
// freed by anyone but that worker.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/runtime.h"
#include "library/library.h"
#include "protocol/frame_sender.h"
#include "protocol/peer_messages.h"
#include "transfer/incomplete_files.h"
#include "transfer/streaming.h"
#include "transfer/transfer_lists.h"
#include "transfer/transfer_view.h"

namespace tandril::transfer {

class DataPortListener;

// The transfer part of a running client: both lists and their rows, the data port's listener,
// and what they work with.
struct Transfers {
    Transfers(Runtime& runtime, protocol::FrameSender& serverLink, library::Library& lib);
    ~Transfers();

    Runtime& rt;
    protocol::FrameSender& server;
    library::Library& library;
    TransferLists lists;
    TransferView view;
    // The listener of the data port, when it is not 0.
    std::mutex listenerLock;
    std::unique_ptr<DataPortListener> listener;
    // Downloads that play as they arrive.
    Streams streams;
    // Where the data port hands a connection that opened with "GETLIST" or "SENDLIST" (the greeting
    // was sent; `rest` came after the command). Set once, before the listener starts.
    std::function<void(protocol::PeerCommand command, int socket, const std::string& rest)> listConnection;
    // resume.dat and the Incomplete folder in the profile folder.
    IncompleteFiles incomplete;
    // The port of web servers for web downloads (tests use their own server's).
    std::uint16_t webPort = 80;
    // The round-trip time to an address (as the server writes it) within the limit, in ms; -1 when
    // no answer came. Sources of a resumed download are tried fastest first. Unset: not timed.
    std::function<int(std::uint32_t address, std::chrono::milliseconds limit)> ping;
};

inline std::int64_t TransferNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Waits for data on a peer connection in one-second steps, so that a quitting client is not held
// up; false when none came within `limit` or the wait failed.
bool WaitForData(Transfers& c, int socket, std::chrono::milliseconds limit);

// Frames asked for under a list lock leave once the lock is let go.
class Outbox : public protocol::Outbox {
public:
    explicit Outbox(Transfers& c);
};

// The operations on records below that take a ListLock need the record's list lock held.

// Rewrites the record's row for `state` (size, status, the other cells blank), then stores it.
void SetTransferState(Transfers& c, const ListLock& lock, TransferRecord& r, TransferState state);
// Inserts the record's row at `index` (-1: at the end) and sets RequestTime to now.
void AddTransferRow(Transfers& c, const ListLock& lock, TransferRecord& r, int index = -1);
void SetTransferLineSpeed(Transfers& c, const ListLock& lock, TransferRecord& r, std::uint32_t code);
// Deletes the row and frees the record.
void RemoveTransfer(Transfers& c, const ListLock& lock, TransferRecord& r);
// Appends a new record to its list and adds its row; returns it (owned by the list).
TransferRecord& AddTransfer(Transfers& c, const ListLock& lock, std::unique_ptr<TransferRecord> record);
// The progress refresh of a running transfer with its cells, taking the lock itself; false:
// abandon it as stalled.
bool RefreshTransferProgress(Transfers& c, TransferRecord& r);
// A state change by a worker that holds no lock.
void SetTransferStateUnlocked(Transfers& c, TransferRecord& r, TransferState state);

// Slots; every change rewrites the information lines.
void TakeDownloadSlot(Transfers& c, Outbox& out);  // 218
void TakeUploadSlot(Transfers& c);                 // 220
// The upload counter -1 (never below 0), 221, and the exit once the last upload ended when the
// user asked to leave after the uploads.
void ReleaseUploadSlot(Transfers& c);
// Rewrites "Inbound Transfers:    %d" and "Outbound Transfers:    %d".
void ShowTransferCounters(Transfers& c);

// The commands on selected rows.
void CancelTransfers(Transfers& c, bool outbound, const std::vector<std::uint32_t>& rowIds);
void DeleteTransfers(Transfers& c, bool outbound, const std::vector<std::uint32_t>& rowIds);
// Removes every finished record of both lists with its row.
void ClearFinishedTransfers(Transfers& c);

// What the page's commands need of a row's record.
struct TransferSummary {
    std::string nick;
    std::string localPath;
    TransferState state = TransferState::Connecting;
};
std::optional<TransferSummary> SummariseTransfer(Transfers& c, bool outbound, std::uint32_t rowId);

}  // namespace tandril::transfer
