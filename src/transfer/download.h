#pragma once
// Downloads: asked of the index server by nickname and name (203), its answer (204) gives the
// uploader's address, and a worker fetches the file from the uploader's data port into the save
// folder.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"
#include "protocol/server_messages.h"
#include "transfer/transfer_lists.h"
#include "transfer/transfer_record.h"

namespace tandril::transfer {

struct Transfers;

// The save folder and the base name of a remote name (after its last '\' or '/'); empty when the
// name has no usable base name ("", "." or ".."). Never a path outside the save folder.
std::string LocalDownloadPath(Transfers& c, const std::string& remoteName);
// The same, with the alert "Unable to save file %s to %s." when there is none.
std::string DownloadPathOrAlert(Transfers& c, const std::string& remoteName);

// The inbound record of that user and name (case ignored) in one of `states`; the caller holds
// the inbound lock.
TransferRecord* FindInbound(Transfers& c, const ListLock& lock, const std::string& nick, const std::string& name,
                            std::initializer_list<TransferState> states);
// Starts a download (state Connecting, holding a slot) unless the same name from the same user is
// already active.
void StartDownload(Transfers& c, const std::string& remoteName, const std::string& nick, std::uint32_t size,
                   TransferState initialState = TransferState::Connecting, bool streaming = false);
// Where a download goes when a file of its name is in the save folder already: the user is asked
// (with no lock held) to overwrite it or to give another name; nullopt when the user cancels.
// Without such a file, the name as it is.
struct FileChoice {
    ExistingFileAction action;
    std::string localPath;
};
std::optional<FileChoice> ChooseFileName(Transfers& c, const std::string& localPath);
// 204: the uploader's address and port.
void OnDownloadAddress(Transfers& c, const protocol::DownloadAddress& m);
// 206 and 609: the download of `name` from `nick` cannot be made.
void OnDownloadRefused(Transfers& c, const std::string& nick, const std::string& name);
// One connection to an uploader, on a thread of its own; the record is Attached throughout.
void DownloadWorker(Transfers& c, TransferRecord& r);
// A download's bytes go to "<name>.part" until the file is complete.
inline constexpr std::string_view kPartialEnding = ".part";
std::string PartialPath(const std::string& localPath);

// The file a download writes, and where it is: the partial file, or the file a resume continues.
struct DownloadFile {
    platform::UniqueFd file;
    std::string path;
};
// Opens a download's file: appended to for a resume, else the partial file made anew; the alert
// when it cannot be.
DownloadFile OpenDownloadFile(Transfers& c, const std::string& localPath, ExistingFileAction action);
// Receives the file's bytes on a connection whose size reply was read, into the download's file,
// which takes the record's name once complete; the shared end of a download that reached its
// data phase.
void ReceiveFile(Transfers& c, TransferRecord& r, int socket, DownloadFile file);
// The end of every successful download: the file joins the library, the slot passes on.
void CompleteDownload(Transfers& c, TransferRecord& r);

}  // namespace tandril::transfer
