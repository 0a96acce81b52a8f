#pragma once
// Download slots and the queue: at most MaxDownloads downloads are asked for or running; the rest
// wait in the inbound list, in list order.

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/server_messages.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

struct Transfers;

// A Queued record of its own; nothing goes to the server.
void EnqueueDownload(Transfers& c, const std::string& remoteName, const std::string& nick, std::uint32_t size, const std::string& checksum);
// Runs once after every download that held a slot ended: the slot passes to the next waiting
// download, or is given back (219).
void StartNextQueuedDownload(Transfers& c);
// Sends the request for a record that now holds a slot (203).
void AskForDownload(Transfers& c, TransferRecord& r);
// The same for a caller that holds the inbound lock: the request goes out with `out`.
void AskForDownload(Transfers& c, const ListLock& lock, TransferRecord& r, Outbox& out);
// 620: the uploader's queue is full for this download; its slot passes to another user's file.
void OnRemoteQueueFull(Transfers& c, const protocol::RemoteQueueFull& m);
// "&Force Transfer (if queued)": the selected waiting downloads start now, whatever the limit.
void ForceTransfer(Transfers& c, const std::vector<std::uint32_t>& rowIds);
enum class QueueMove { Up, Down, Top, Bottom };
// Moves the selected downloads in the queue (and their rows with them).
void MoveInQueue(Transfers& c, QueueMove move, const std::vector<std::uint32_t>& rowIds);
// At each 214: requests unanswered for 300 seconds (downloads) or 360 (uploads) fail.
void TimeoutSweep(Transfers& c);
// MaxDownloads was raised: waiting downloads start while slots are free (nothing while offline).
void StartQueuedDownloadsThatFit(Transfers& c);
// After each login: slots counted again, unanswered requests failed, waiting downloads started.
void RestartTransfersAfterLogin(Transfers& c);

}  // namespace tandril::transfer
