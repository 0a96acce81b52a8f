#pragma once
// Download slots and the queue: at most MaxDownloads downloads are asked for or running; the rest
// wait in the inbound list, in list order.

#include <cstdint>
#include <string>

#include "transfer/transfer_record.h"

namespace tandril {
class Client;
}

namespace tandril::transfer {

// A Queued record of its own; nothing goes to the server.
void EnqueueDownload(Client& c, const std::string& remoteName, const std::string& nick, std::uint32_t size, const std::string& checksum);
// Runs once after every download that held a slot ended: the slot passes to the next waiting
// download, or is given back (219).
void StartNextQueuedDownload(Client& c);
// Sends the request for a record that now holds a slot (203).
void AskForDownload(Client& c, TransferRecord& r);

}  // namespace tandril::transfer
