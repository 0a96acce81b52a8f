#pragma once
// Firewalled uploads: an uploader that cannot be reached is asked by the server (501) to connect
// to the downloader's data port and push the file ("SEND").

#include <string>

#include "protocol/server_messages.h"
#include "transfer/transfer_record.h"

namespace tandril {
class Client;
}

namespace tandril::transfer {

// 501, at the firewalled uploader: a downloader waits at address:port.
void OnPushRequest(Client& c, const protocol::PushAsked& m);
// Connects to the downloader and pushes the file, on a thread of its own.
void PushUploadWorker(Client& c, TransferRecord& r);
// At the downloader, after "SEND" on the data port: `rest` is what came with it.
void PushReceiver(Client& c, int socket, const std::string& rest);

}  // namespace tandril::transfer
