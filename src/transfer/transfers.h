#pragma once
// What the client keeps about its transfers, and the operations on records that every transfer
// path shares: state changes and rows, slots and their counters, cancel, delete and clear.
//
// Record fields are read and written under the lock of the record's list; the view has its own
// lock, always taken after a list lock. A record whose worker runs (Transferring or Attached) is
// never freed by anyone but that worker.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "transfer/transfer_lists.h"
#include "transfer/transfer_view.h"

namespace tandril {
class Client;
}

namespace tandril::transfer {

class DataPortListener;

struct Transfers {
    Transfers();
    ~Transfers();
    TransferLists lists;
    TransferView view;
    // The listener of the data port, when it is not 0.
    std::mutex listenerLock;
    std::unique_ptr<DataPortListener> listener;
};

inline std::int64_t TransferNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Waits for data on a peer connection in one-second steps, so that a quitting client is not held
// up; false when none came within `limit` or the wait failed.
bool WaitForData(Client& c, int socket, std::chrono::milliseconds limit);
// Rewrites the record's row for `state` (size, status, the other cells blank), then stores it.
void SetTransferState(Client& c, TransferRecord& r, TransferState state);
// Inserts the record's row at `index` (-1: at the end) and sets RequestTime to now.
void AddTransferRow(Client& c, TransferRecord& r, int index = -1);
void SetTransferLineSpeed(Client& c, TransferRecord& r, std::uint32_t code);
// The progress refresh of a running transfer with its cells; false: abandon it as stalled.
bool RefreshTransferProgress(Client& c, TransferRecord& r);
// Deletes the row and frees the record.
void RemoveTransfer(Client& c, TransferRecord& r);
// Appends a new record to its list and adds its row; returns it (owned by the list).
TransferRecord& AddTransfer(Client& c, std::unique_ptr<TransferRecord> record);

// Slots; every change rewrites the information lines.
void TakeDownloadSlot(Client& c);  // 218
void TakeUploadSlot(Client& c);    // 220
// The upload counter -1 (never below 0), 221, and the exit once the last upload ended when the
// user asked to leave after the uploads.
void ReleaseUploadSlot(Client& c);
// Rewrites "Inbound Transfers:    %d" and "Outbound Transfers:    %d".
void ShowTransferCounters(Client& c);

// The commands on selected rows.
void CancelTransfers(Client& c, bool outbound, const std::vector<std::uint32_t>& rowIds);
void DeleteTransfers(Client& c, bool outbound, const std::vector<std::uint32_t>& rowIds);
// Removes every finished record of both lists with its row.
void ClearFinishedTransfers(Client& c);

// What the page's commands need of a row's record.
struct TransferSummary {
    std::string nick;
    std::string localPath;
    TransferState state = TransferState::Connecting;
};
std::optional<TransferSummary> SummariseTransfer(Client& c, bool outbound, std::uint32_t rowId);
// "&Jouer le Fichier!" on a row: the file goes to the player once its download has begun.
void PlayTransfer(Client& c, bool outbound, std::uint32_t rowId);

}  // namespace tandril::transfer
