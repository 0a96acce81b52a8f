#include "transfer/push.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>

#include <filesystem>

#include "base/text.h"
#include "base/wire_text.h"
#include "link/proxy_client.h"
#include "protocol/peer_messages.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/resume.h"
#include "transfer/transfers.h"
#include "transfer/upload.h"

namespace tandril::transfer {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::uint32_t SizeOnDisk(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint32_t>(std::min<std::uintmax_t>(size, UINT32_MAX));
}

void Refuse(int fd, protocol::PeerError error) {
    platform::SendAllBlocking(fd, protocol::PeerErrorText(error));
}

}  // namespace

void OnPushRequest(Transfers& c, const protocol::PushAsked& m) {
    if (!UploadAllowed(c, m.user)) {
        protocol::Send(c.server, protocol::UploadLimitReached{m.user, m.fileName, c.rt.state.settings().maxUploads});
        return;
    }
    auto shared = FindSharedFile(c, m.fileName);
    if (!shared) return;  // only a file of the shared list is ever pushed
    TransferRecord* r = nullptr;
    {
        ListLock lock = c.lists.Take(true);
        for (auto& record : c.lists.Of(lock, true)) {
            if (EqualsNoCase(record->nick, m.user) && EqualsNoCase(record->remoteName, shared->path) &&
                record->state != TransferState::Transferring && !record->attached) {
                r = record.get();
                break;
            }
        }
        if (!r) {
            auto record = std::make_unique<TransferRecord>(true, m.user, shared->path, m.checksum, SizeOnDisk(shared->path), 0, 0,
                                                           c.lists.NextRowId(), TransferNow());
            record->localPath = shared->path;
            r = &AddTransfer(c, lock, std::move(record));
        }
        r->peerLineSpeed = m.lineSpeed.value_or(0);
        r->peerAddress = m.address;
        r->peerPort = m.port;
        r->checksum = m.checksum;
        r->attached = true;
    }
    c.rt.StartWorker([&c, r] { PushUploadWorker(c, *r); });
}

void PushUploadWorker(Transfers& c, TransferRecord& r) {
    std::string nick, remoteName;
    std::uint32_t address = 0, port = 0;
    {
        ListLock lock = c.lists.Take(true);
        nick = r.nick;
        remoteName = r.remoteName;
        address = r.peerAddress;
        port = r.peerPort;
    }
    // Every end before the data phase leaves the record as it was, for a later push, unless the
    // user cancelled or deleted it meanwhile.
    auto letGo = [&] {
        if (StopUploadIfAsked(c, r)) return;
        ListLock lock = c.lists.Take(true);
        r.attached = false;
    };
    link::ProxyOutcome connection = link::ConnectThroughProxy(c.rt, {ntohl(address), static_cast<std::uint16_t>(port)}, true);
    if (connection.status != 1) {
        if (connection.status == 0) protocol::Send(c.server, protocol::PeerUnreachable{nick, static_cast<int>(port)});
        return letGo();
    }
    const int fd = connection.socket.fd();
    platform::SetBuffers(fd, 65536);
    char consent = 0;
    if (!WaitForData(c, fd, c.rt.Scaled(20s)) || ::recv(fd, &consent, 1, 0) != 1 || consent == protocol::kPushRefused) {
        return letGo();
    }
    if (StopUploadIfAsked(c, r)) return;  // cancelled while it connected or waited for consent
    TakeUploadSlot(c);
    struct Slot {
        Transfers& c;
        ~Slot() { ReleaseUploadSlot(c); }
    } slot{c};
    if (!platform::SendAllBlocking(fd, protocol::PeerCommandText(protocol::PeerCommand::Send))) return letGo();
    std::string virtualName;
    auto shared = FindSharedFile(c, remoteName, &virtualName);
    if (!shared) {
        Refuse(fd, protocol::PeerError::FileNotShared);
        return letGo();
    }
    const std::uint32_t size = SizeOnDisk(shared->path);
    {
        ListLock lock = c.lists.Take(true);
        r.fileSize = size;
    }
    const std::string line = protocol::PushHeader{c.rt.state.account().userName, virtualName, size}.Encode();
    if (!platform::SendAllBlocking(fd, line)) return letGo();
    auto reply = ReadLine(c, fd, c.rt.Scaled(20s));
    if (!reply) return letGo();
    const std::uint64_t offset = RequestedOffset(*reply, shared->path);
    platform::UniqueFd file(::open(shared->path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid() || (offset != 0 && ::lseek(file.get(), static_cast<off_t>(offset), SEEK_SET) < 0)) {
        Refuse(fd, protocol::PeerError::FileNotFound);
        return letGo();
    }
    const auto position = static_cast<std::uint32_t>(std::min<std::uint64_t>(offset, size));
    {
        ListLock lock = c.lists.Take(true);
        r.localPath = shared->path;
        r.startOffset = r.position = position;
        r.startTime = TransferNow();
        SetTransferState(c, lock, r, TransferState::Transferring);
    }
    SendFile(c, r, fd, std::move(file), position, size);
}

void PushReceiver(Transfers& c, int fd, const std::string& rest) {
    std::string line = rest;
    if (Trim(line).empty()) {
        auto read = ReadLine(c, fd, c.rt.Scaled(20s));
        if (!read) return;
        line = *read;
    }
    auto header = protocol::PushHeader::Decode(line);
    if (!header) return Refuse(fd, protocol::PeerError::InvalidRequest);
    TransferRecord* r = nullptr;
    std::string localPath;
    ExistingFileAction action;
    bool streaming = false;
    {
        ListLock lock = c.lists.Take(false);
        for (auto& record : c.lists.Of(lock, false)) {
            if ((record->state == TransferState::Connecting || record->state == TransferState::RemotelyQueued) && !record->attached &&
                EqualsNoCase(record->nick, header->user) && EqualsNoCase(record->remoteName, header->fileName)) {
                r = record.get();
                break;
            }
        }
        // Else a resumed download's current source pushes the rest of the file.
        if (!r) r = TakeResumingForPush(c, lock, header->user, header->fileName);
        if (r) {
            r->attached = true;
            r->fileSize = header->size;
            localPath = r->localPath;
            action = r->existingFileAction;
            streaming = r->streaming;
        }
    }
    if (!r) return Refuse(fd, protocol::PeerError::FileNotRequested);
    auto fail = [&] {
        if (MoveToNextSource(c, *r)) return;
        SetTransferStateUnlocked(c, *r, TransferState::Error);
        StartNextQueuedDownload(c);
    };
    if (header->size == 0) {
        fail();
        c.rt.ui.ShowAlert(AlertKind::Modeless, Format(600, "FileName '%s' has a 0 byte file size!", localPath.c_str()));
        return;
    }
    std::uint32_t offset = 0;
    if (action == ExistingFileAction::Append) offset = SizeOnDisk(localPath);
    if (!platform::SendAllBlocking(fd, protocol::NumberReply(offset))) return fail();
    DownloadFile file;
    if (!streaming) {
        file = OpenDownloadFile(c, localPath, action);
        if (!file.file.valid()) return fail();
    }
    {
        ListLock lock = c.lists.Take(false);
        if (r->stopRequest == 0) {
            r->startOffset = r->position = offset;
            r->startTime = TransferNow();
            SetTransferState(c, lock, *r, TransferState::Transferring);
        }
    }
    ReceiveFile(c, *r, fd, std::move(file));
}

}  // namespace tandril::transfer
