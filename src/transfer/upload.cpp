#include "transfer/upload.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <cstdlib>

#include "base/text.h"
#include "base/wire_text.h"
#include "library/audio_data_start.h"
#include "platform/unique_fd.h"
#include "protocol/peer_messages.h"
#include "transfer/push.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

using namespace std::chrono_literals;

namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kCommandRead = 2048;

}  // namespace

std::optional<std::string> ReadChunk(Transfers& c, int fd, std::chrono::milliseconds limit) {
    if (!WaitForData(c, fd, limit)) return std::nullopt;
    char buf[kCommandRead];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return std::nullopt;
    return std::string(buf, static_cast<std::size_t>(n));
}

std::optional<std::string> ReadLine(Transfers& c, int fd, std::chrono::milliseconds limit) {
    auto text = ReadChunk(c, fd, limit);
    if (text) text->resize(std::min(text->size(), text->find_first_of("\r\n")));
    return text;
}

namespace {

void Refuse(int fd, protocol::PeerError error) {
    platform::SendAllBlocking(fd, protocol::PeerErrorText(error));
}

// Serves one GET: the request line, the size, the file's bytes. The caller holds the slot.
void ServeGet(Transfers& c, int fd, const std::string& requestLine) {
    const protocol::FileRequest request = protocol::FileRequest::Decode(requestLine);
    auto shared = FindSharedFile(c, request.fileName);
    if (!shared) return Refuse(fd, protocol::PeerError::FileNotShared);
    const auto& [path, size] = *shared;
    const std::string& nick = request.user;
    const std::uint64_t offset = RequestedOffset(request.offset, path);
    TransferRecord* r = nullptr;
    {
        ListLock lock = c.lists.Take(true);
        for (auto& record : c.lists.Of(lock, true)) {
            // One connection per accepted request: a second GET for it finds none.
            if (record->state == TransferState::Connecting && !record->attached && EqualsNoCase(record->nick, nick) &&
                EqualsNoCase(record->remoteName, path)) {
                r = record.get();
                break;
            }
        }
        if (r) r->attached = true;
    }
    if (!r) return Refuse(fd, protocol::PeerError::InvalidRequest);
    platform::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid() || (offset != 0 && ::lseek(file.get(), static_cast<off_t>(offset), SEEK_SET) < 0)) {
        Refuse(fd, protocol::PeerError::FileNotFound);
        SetTransferStateUnlocked(c, *r, TransferState::Error);
        return;
    }
    std::uint32_t position = static_cast<std::uint32_t>(std::min<std::uint64_t>(offset, size));
    {
        // A cancel given while the requester was connecting is honoured here.
        ListLock lock = c.lists.Take(true);
        r->startOffset = r->position = position;
        r->startTime = TransferNow();
        SetTransferState(c, lock, *r, TransferState::Transferring);
    }
    if (!platform::SendAllBlocking(fd, protocol::NumberReply(size))) {
        SetTransferStateUnlocked(c, *r, TransferState::Error);
        return;
    }
    SendFile(c, *r, fd, std::move(file), position, size);
}

}  // namespace

bool StopUploadIfAsked(Transfers& c, TransferRecord& r) {
    ListLock lock = c.lists.Take(true);
    if (r.stopRequest == 1) {
        SetTransferState(c, lock, r, TransferState::Cancelled);
        return true;
    }
    if (r.stopRequest == 2) {
        RemoveTransfer(c, lock, r);
        return true;
    }
    return false;
}

namespace {

enum class SendOutcome { Sent, Failed, Stopped };

// Sends all of `data` to a downloader that may stop reading: while the peer takes nothing it
// waits in one-second steps, each with the stop check and the progress refresh (whose stall rule
// gives up on a peer that takes nothing for long), so a cancel, a delete or the end of the client
// is never held up by a blocked send.
SendOutcome SendToPeer(Transfers& c, TransferRecord& r, int fd, std::string_view data) {
    while (!data.empty()) {
        switch (platform::WaitWritable(fd, std::chrono::milliseconds(1000))) {
            case platform::WaitResult::Failed:
                return SendOutcome::Failed;
            case platform::WaitResult::TimedOut:
                if (c.rt.state.quitting) return SendOutcome::Failed;
                if (StopUploadIfAsked(c, r)) return SendOutcome::Stopped;
                if (!RefreshTransferProgress(c, r)) return SendOutcome::Failed;
                continue;
            case platform::WaitResult::Ready:
                break;
        }
        ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        if (n <= 0) return SendOutcome::Failed;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return SendOutcome::Sent;
}

}  // namespace

void SendFile(Transfers& c, TransferRecord& r, int fd, platform::UniqueFd file, std::uint32_t position, std::uint32_t size) {
    std::vector<char> block(kBlock);
    bool sent = true;
    if (StopUploadIfAsked(c, r)) return;
    // Never more than the size announced, even when the file grew since it was shared.
    while (position < size) {
        ssize_t n = ::read(file.get(), block.data(), std::min<std::size_t>(block.size(), size - position));
        if (n <= 0) break;
        const SendOutcome outcome = SendToPeer(c, r, fd, std::string_view(block.data(), static_cast<std::size_t>(n)));
        if (outcome == SendOutcome::Stopped) return;
        if (outcome == SendOutcome::Failed) {
            sent = false;
            break;
        }
        if (StopUploadIfAsked(c, r)) return;
        {
            ListLock lock = c.lists.Take(true);
            position += static_cast<std::uint32_t>(n);
            r.position = position;
        }
        if (c.rt.state.quitting || !RefreshTransferProgress(c, r)) break;
    }
    const bool autoDelete = c.rt.state.settings().autoDelete;
    ListLock lock = c.lists.Take(true);
    if (sent && position == size) {
        if (autoDelete) {
            RemoveTransfer(c, lock, r);
        } else {
            SetTransferState(c, lock, r, TransferState::Complete);
        }
    } else {
        SetTransferState(c, lock, r, TransferState::Error);
    }
}

std::optional<SharedFileOnDisk> FindSharedFile(Transfers& c, const std::string& name, std::string* virtualName) {
    std::scoped_lock lock(c.library.sharedList.lock);
    library::SharedFileRecord* file = c.library.sharedList.FindAsAnnounced(c.library.sharedList.ResolveVirtualName(name));
    if (!file) return std::nullopt;
    if (virtualName) *virtualName = c.library.sharedList.VirtualName(*file);
    return SharedFileOnDisk{file->path, file->size};
}

std::uint64_t RequestedOffset(const std::string& text, const std::string& path) {
    std::string trimmed(Trim(text));
    std::uint64_t offset = std::strtoull(trimmed.c_str(), nullptr, 10);
    if (offset != 0 && (trimmed.back() == 'c' || trimmed.back() == 'C')) offset += library::AudioDataStart(path);
    return offset;
}

bool UploadAllowed(Transfers& c, const std::string& rawNick) {
    const std::string nick(Trim(rawNick));
    ListLock lock = c.lists.Take(true);
    int count = 0;
    for (auto& r : c.lists.Of(lock, true)) {
        if (!IsTransferFinished(*r) && EqualsNoCase(r->nick, nick)) ++count;
    }
    if (count < c.rt.state.settings().maxUploads) return true;
    const std::int64_t now = TransferNow();
    for (auto& r : c.lists.Of(lock, true)) {
        if (r->state == TransferState::Connecting && now - r->requestTime >= 360) {
            // A request whose requester never came gives its place up (it held no slot).
            SetTransferState(c, lock, *r, TransferState::Cancelled);
            return true;
        }
    }
    return false;
}

void OnUploadRequest(Transfers& c, const protocol::UploadRequest& m) {
    if (!UploadAllowed(c, m.user)) {
        protocol::Send(c.server, protocol::UploadLimitReached{m.user, m.fileName, c.rt.state.settings().maxUploads});
        return;
    }
    std::string replyName = m.fileName;
    if (auto shared = FindSharedFile(c, m.fileName, &replyName)) {
        const auto& [path, size] = *shared;
        ListLock lock = c.lists.Take(true);
        TransferRecord* again = nullptr;
        for (auto& r : c.lists.Of(lock, true)) {
            if (EqualsNoCase(r->nick, m.user) && EqualsNoCase(r->remoteName, path) && r->state != TransferState::Transferring &&
                r->state != TransferState::Complete && !r->attached) {
                again = r.get();
                break;
            }
        }
        if (again) {
            SetTransferState(c, lock, *again, TransferState::Connecting);
            again->requestTime = TransferNow();
        } else {
            auto record = std::make_unique<TransferRecord>(true, m.user, path, "blah", size, 0, 0, c.lists.NextRowId(), TransferNow());
            record->peerLineSpeed = m.lineSpeed.value_or(0);
            record->localPath = path;
            AddTransfer(c, lock, std::move(record));
        }
    }
    if (!m.lineSpeed) protocol::Send(c.server, protocol::LineSpeedQuery{m.user});
    protocol::Send(c.server, protocol::UploadAccepted{m.user, replyName});
}

void OnLineSpeed(Transfers& c, const protocol::UserLineSpeed& m) {
    const std::uint32_t code = m.lineSpeed;
    ListLock lock = c.lists.Take(true);
    for (auto& r : c.lists.Of(lock, true)) {
        if (EqualsNoCase(r->nick, m.user) && (r->state == TransferState::Connecting || r->state == TransferState::Transferring)) {
            SetTransferLineSpeed(c, lock, *r, code);
        }
    }
}

void IncomingConnection(Transfers& c, platform::Socket socket) {
    const int fd = socket.fd();
    TakeUploadSlot(c);
    // Held for the command, and for a GET until the file was sent.
    struct Slot {
        Transfers& c;
        bool held = true;
        void Release() {
            if (std::exchange(held, false)) ReleaseUploadSlot(c);
        }
        ~Slot() { Release(); }
    } slot{c};
    if (!platform::SendAllBlocking(fd, protocol::kPeerGreeting)) return;
    // Whole, not cut at a line end: a list sent after "SENDLIST" may come in the same read.
    auto read = ReadChunk(c, fd, c.rt.Scaled(20s));
    if (!read) return;
    protocol::PeerCommandLine command = protocol::ParsePeerCommand(*read);
    if (command.command != protocol::PeerCommand::SendList) {
        command.rest.resize(std::min(command.rest.size(), command.rest.find_first_of("\r\n")));
    }
    switch (command.command) {
        case protocol::PeerCommand::SendList:
        case protocol::PeerCommand::GetList:
            // Lists are bounded by their own count of senders, not by the upload slots.
            slot.Release();
            if (c.listConnection) c.listConnection(command.command, fd, command.rest);
            return;
        case protocol::PeerCommand::Send:
            slot.Release();
            return PushReceiver(c, fd, command.rest);
        case protocol::PeerCommand::Unknown:
            return Refuse(fd, protocol::PeerError::InvalidRequest);
        case protocol::PeerCommand::Get:
            break;
    }
    // The request line may come in the same segment as "GET".
    std::string line = command.rest;
    if (Trim(line).empty()) {
        auto next = ReadLine(c, fd, c.rt.Scaled(20s));
        if (!next) return;
        line = *next;
    }
    ServeGet(c, fd, line);
}

}  // namespace tandril::transfer
