#pragma once
// Uploads: the server forwards another user's request (607), this side accepts or refuses it, and
// the requester then connects to the data port and asks for the file with "GET".

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/socket.h"
#include "platform/unique_fd.h"
#include "protocol/server_messages.h"
#include "transfer/transfer_record.h"

namespace tandril::transfer {

struct Transfers;

// True when `nick` may have one more upload (MaxUploads per user); a request that waited six
// minutes for its requester gives its place up.
bool UploadAllowed(Transfers& c, const std::string& nick);
// 607: a user asks to download a shared file.
void OnUploadRequest(Transfers& c, const protocol::UploadRequest& m);
// 601: a user's line speed.
void OnLineSpeed(Transfers& c, const protocol::UserLineSpeed& m);
// One accepted connection to the data port, on a thread of its own; it holds an upload slot until
// the command is known, and for a GET until the file was sent.
void IncomingConnection(Transfers& c, platform::Socket socket);

// The shared file a name from the wire stands for, as the shared list holds it. Only a file of the
// shared list is ever found, whatever the name says.
struct SharedFileOnDisk {
    std::string path;
    std::uint32_t size = 0;
};
std::optional<SharedFileOnDisk> FindSharedFile(Transfers& c, const std::string& name, std::string* virtualName = nullptr);
// One read of up to 2048 bytes within `limit`; nullopt on time-out, failure or a closed connection.
std::optional<std::string> ReadChunk(Transfers& c, int socket, std::chrono::milliseconds limit);
// The same, cut at the first line end.
std::optional<std::string> ReadLine(Transfers& c, int socket, std::chrono::milliseconds limit);
// An offset asked for by a peer; one ending in "c" counts from the first MP3 frame.
std::uint64_t RequestedOffset(const std::string& text, const std::string& path);
// The user's cancel (1) or delete (2) of an upload, carried out; false when none was asked.
bool StopUploadIfAsked(Transfers& c, TransferRecord& r);
// Sends the file from `position` up to `size` (never beyond) on a Transferring record, then ends
// the record: Complete (or removed with AutoDelete), Error, or as the user's stop asked.
void SendFile(Transfers& c, TransferRecord& r, int socket, platform::UniqueFd file, std::uint32_t position, std::uint32_t size);

}  // namespace tandril::transfer
