#pragma once
// Uploads: the server forwards another user's request (607), this side accepts or refuses it, and
// the requester then connects to the data port and asks for the file with "GET".

#include <string>

#include "platform/socket.h"

namespace tandril {
class Client;
}

namespace tandril::transfer {

// True when `nick` may have one more upload (MaxUploads per user); a request that waited six
// minutes for its requester gives its place up.
bool UploadAllowed(Client& c, const std::string& nick);
// 607: a user asks to download a shared file.
void OnUploadRequest(Client& c, const std::string& payload);
// 601: a user's line speed.
void OnLineSpeed(Client& c, const std::string& payload);
// One accepted connection to the data port, on a thread of its own; it holds an upload slot until
// the command is known, and for a GET until the file was sent.
void IncomingConnection(Client& c, platform::Socket socket);

}  // namespace tandril::transfer
