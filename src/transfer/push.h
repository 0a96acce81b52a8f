#pragma once
// Firewalled uploads: an uploader that cannot be reached is asked by the server (501) to connect
// to the downloader's data port and push the file ("SEND").

#include <string>

#include "protocol/server_messages.h"
#include "transfer/transfer_record.h"

namespace tandril::transfer {

struct Transfers;

// 501, at the firewalled uploader: a downloader waits at address:port.
void OnPushRequest(Transfers& c, const protocol::PushAsked& m);
// Connects to the downloader and pushes the file, on a thread of its own.
void PushUploadWorker(Transfers& c, TransferRecord& r);
// At the downloader, after "SEND" on the data port: `rest` is what came with it.
void PushReceiver(Transfers& c, int socket, const std::string& rest);

}  // namespace tandril::transfer
