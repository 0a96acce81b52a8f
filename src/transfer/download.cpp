#include "transfer/download.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>

#include <climits>
#include <filesystem>

#include "base/shared_folders.h"
#include "base/text.h"
#include "base/wire_text.h"
#include "library/my_files.h"
#include "link/proxy_client.h"
#include "protocol/peer_messages.h"
#include "transfer/data_port.h"
#include "transfer/download_queue.h"
#include "transfer/peek_reply.h"
#include "transfer/resume.h"
#include "transfer/streaming.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr std::size_t kBlock = 64 * 1024;  // read and written at once; the bytes on the wire are the same

std::string SaveFolder(Transfers& c) {
    std::string folder = c.rt.state.settings().savePath;
    if (folder.empty()) folder = UseDefaultSaveFolder(c.rt.state, c.rt.ui);
    return folder;
}

bool ReceiveExactly(int fd, char* into, std::size_t length) {
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::recv(fd, into + got, length - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// The end of a download that failed before its data phase.
void Fail(Transfers& c, TransferRecord& r) {
    SetTransferStateUnlocked(c, r, TransferState::Error);
    StartNextQueuedDownload(c);
}

// The peer could not be reached or did not greet us: the server hears of its port (626).
void FailUnreachable(Transfers& c, TransferRecord& r, const std::string& nick, std::uint32_t port) {
    protocol::Send(c.server, protocol::PeerUnreachable{nick, static_cast<int>(port)});
    Fail(c, r);
    c.rt.ui.ShowAlert(AlertKind::Modeless, Format(200, "User %s is not properly configured. Try again in a few minutes.", nick.c_str()));
}

}  // namespace

TransferRecord* FindInbound(Transfers& c, const ListLock& lock, const std::string& nick, const std::string& name,
                            std::initializer_list<TransferState> states) {
    for (auto& r : c.lists.Of(lock, false)) {
        if (EqualsNoCase(r->nick, nick) && EqualsNoCase(r->remoteName, name) &&
            std::find(states.begin(), states.end(), r->state) != states.end()) {
            return r.get();
        }
    }
    return nullptr;
}

std::string LocalDownloadPath(Transfers& c, const std::string& remoteName) {
    const auto cut = remoteName.find_last_of("\\/");
    std::string base = cut == std::string::npos ? remoteName : remoteName.substr(cut + 1);
    // A name the file system cannot hold (with the partial file's ending) is refused like an empty one.
    if (base.empty() || base == "." || base == ".." || base.size() + kPartialEnding.size() > NAME_MAX) return {};
    for (char& ch : base) {
        if (static_cast<unsigned char>(ch) < 0x20) ch = '_';
    }
    const std::string folder = SaveFolder(c);
    const char* separator = !folder.empty() && folder.back() == '/' ? "" : "/";
    return Format(350, "%s%s%s", folder.c_str(), separator, base.c_str());
}

std::string DownloadPathOrAlert(Transfers& c, const std::string& remoteName) {
    std::string path = LocalDownloadPath(c, remoteName);
    if (path.empty())
        c.rt.ui.ShowAlert(AlertKind::Modeless, Format(800, "Unable to save file %s to %s.", remoteName.c_str(), SaveFolder(c).c_str()));
    return path;
}

void StartDownload(Transfers& c, const std::string& remoteName, const std::string& nick, std::uint32_t size, TransferState initialState,
                   bool streaming) {
    {
        ListLock lock = c.lists.Take(false);
        for (auto& r : c.lists.Of(lock, false)) {
            if (!IsTransferFinished(*r) && EqualsNoCase(r->remoteName, remoteName) && EqualsNoCase(r->nick, nick)) return;
        }
    }
    const std::string localPath = DownloadPathOrAlert(c, remoteName);
    if (localPath.empty()) return;
    auto record = std::make_unique<TransferRecord>(false, CutText(nick, 19), CutText(remoteName, 349), "x", size, 0, 0, c.lists.NextRowId(),
                                                   TransferNow());
    record->state = initialState;
    record->streaming = streaming;
    record->localPath = localPath;
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    TransferRecord& r = AddTransfer(c, lock, std::move(record));
    TakeDownloadSlot(c, out);
    AskForDownload(c, lock, r, out);
}

namespace {

// The record a question was asked about, if the user did not delete it meanwhile (its row id
// confirms that the address was not handed to a new record).
TransferRecord* StillThere(Transfers& c, const ListLock& lock, TransferRecord* record, std::uint32_t rowId) {
    return c.lists.Contains(lock, false, record) && record->rowId == rowId ? record : nullptr;
}

}  // namespace

std::optional<FileChoice> ChooseFileName(Transfers& c, const std::string& localPath) {
    std::error_code ec;
    if (!fs::exists(localPath, ec)) return FileChoice{ExistingFileAction::Overwrite, localPath};
    for (;;) {
        UiPort::ExistingFile answer = c.rt.ui.AskExistingFile(localPath.substr(localPath.find_last_of('/') + 1));
        if (answer.choice == UiPort::ExistingFile::Cancel) return std::nullopt;
        if (answer.choice == UiPort::ExistingFile::Overwrite) return FileChoice{ExistingFileAction::Overwrite, localPath};
        const std::string renamed = LocalDownloadPath(c, answer.newName);
        if (!renamed.empty() && !fs::exists(renamed, ec)) return FileChoice{ExistingFileAction::NewName, renamed};
        c.rt.ui.ShowAlert(AlertKind::Modal, Format(400, "File '%s' already exists. Choose another name!", answer.newName.c_str()));
    }
}

void OnDownloadAddress(Transfers& c, const protocol::DownloadAddress& m) {
    TransferRecord* record = nullptr;
    std::uint32_t rowId = 0;
    std::string localPath;
    bool decide = false;
    bool bothFirewalled = false;
    {
        ListLock lock = c.lists.Take(false);
        TransferRecord* r = FindInbound(c, lock, m.user, m.fileName, {TransferState::Connecting, TransferState::RemotelyQueued});
        if (!r) {
            lock.unlock();
            OnSourceAddress(c, m);  // an alternative source of a resumed download, or nothing
            return;
        }
        if (m.lineSpeed) r->peerLineSpeed = *m.lineSpeed;
        r->checksum = m.checksum;
        r->peerAddress = m.address;
        r->peerPort = m.port;
        record = r;
        rowId = r->rowId;
        localPath = r->localPath;
        decide = !r->streaming && r->existingFileAction == ExistingFileAction::Undecided;
        bothFirewalled = r->peerPort == 0 && c.rt.state.account().dataPort == 0;
    }
    // Every question below is asked with no lock held: other downloads go on meanwhile, and the
    // user may delete this one.
    if (bothFirewalled) {
        // Neither side can reach the other.
        if (c.rt.ui.AskBothFirewalledDownload(m.fileName)) {
            {
                ListLock lock = c.lists.Take(false);
                if (TransferRecord* r = StillThere(c, lock, record, rowId)) r->firewallConflict = true;
            }
            // Asked for again as soon as a data port listens (this one, or one the user sets later).
            SetDataPort(c, 6699);
            return;
        }
        {
            ListLock lock = c.lists.Take(false);
            TransferRecord* r = StillThere(c, lock, record, rowId);
            if (!r || IsTransferFinished(*r)) return;
            SetTransferState(c, lock, *r, TransferState::Error);
        }
        StartNextQueuedDownload(c);
        return;
    }
    ExistingFileAction action = ExistingFileAction::Overwrite;
    if (decide) {
        std::optional<FileChoice> choice = ChooseFileName(c, localPath);
        if (!choice) {
            {
                ListLock lock = c.lists.Take(false);
                TransferRecord* r = StillThere(c, lock, record, rowId);
                if (!r) return;
                SetTransferState(c, lock, *r, TransferState::Cancelled);
            }
            StartNextQueuedDownload(c);
            return;
        }
        action = choice->action;
        localPath = choice->localPath;
    }
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    TransferRecord* r = StillThere(c, lock, record, rowId);
    if (!r || IsTransferFinished(*r)) return;
    if (decide) {
        r->existingFileAction = action;
        r->localPath = localPath;
    }
    if (r->peerPort == 0) {
        // The uploader is firewalled: the server asks it to connect to us.
        r->requestTime = TransferNow();
        out.Add(protocol::PushRequest{r->nick, r->remoteName});
        return;
    }
    r->attached = true;  // before the worker runs, so that the row cannot be freed under it
    c.rt.StartWorker([&c, r] { DownloadWorker(c, *r); });
}

void OnDownloadRefused(Transfers& c, const std::string& nick, const std::string& name) {
    if (OnSourceRefused(c, nick, name)) return;  // a resumed download moves on to its next source
    {
        ListLock lock = c.lists.Take(false);
        if (TransferRecord* r = FindInbound(c, lock, nick, name, {TransferState::Connecting, TransferState::RemotelyQueued})) {
            SetTransferState(c, lock, *r, TransferState::Error);
        }
    }
    StartNextQueuedDownload(c);
}

void DownloadWorker(Transfers& c, TransferRecord& r) {
    std::string nick, remoteName, localPath;
    std::uint32_t address = 0, port = 0;
    ExistingFileAction action;
    bool streaming;
    const std::string userName = c.rt.state.account().userName;
    {
        ListLock lock = c.lists.Take(false);
        r.attached = true;
        nick = r.nick;
        remoteName = r.remoteName;
        localPath = r.localPath;
        address = r.peerAddress;
        port = r.peerPort;
        action = r.existingFileAction;
        streaming = r.streaming;
    }
    link::ProxyOutcome connection = link::ConnectThroughProxy(c.rt, {ntohl(address), static_cast<std::uint16_t>(port)}, true);
    if (connection.status != 1) return FailUnreachable(c, r, nick, port);
    const int fd = connection.socket.fd();
    platform::SetBuffers(fd, 65536);
    if (!WaitForData(c, fd, c.rt.Scaled(20s))) return Fail(c, r);
    char greeting = 0;
    if (::recv(fd, &greeting, 1, 0) != 1 || greeting != protocol::kPeerGreeting[0]) return FailUnreachable(c, r, nick, port);

    std::error_code ec;
    std::uint32_t offset = 0;
    if (action == ExistingFileAction::Append && fs::exists(localPath, ec)) {
        offset = static_cast<std::uint32_t>(fs::file_size(localPath, ec));
    }
    const std::string request = protocol::FileRequest{userName, remoteName, protocol::NumberReply(offset)}.Encode();
    if (!platform::SendAllBlocking(fd, protocol::PeerCommandText(protocol::PeerCommand::Get)) || !platform::SendAllBlocking(fd, request)) {
        return Fail(c, r);
    }

    if (!WaitForData(c, fd, c.rt.Scaled(20s))) return Fail(c, r);
    ReplyPeek peek{
        .peek = [fd](char* into, std::size_t n) { return static_cast<long>(::recv(fd, into, n, MSG_PEEK | MSG_DONTWAIT)); },
        .sleep = [&c](std::chrono::milliseconds d) { c.rt.Sleep(d); },
    };
    const std::size_t length = PeekReplyLength(peek);
    char reply[128] = {};
    if (length == 0 || !ReceiveExactly(fd, reply, length)) return Fail(c, r);
    // "FILE NOT FOUND", "FILE NOT SHARED", "INVALID REQUEST", or anything else that is no size.
    const auto size = protocol::ParseSizeReply(std::string_view(reply, length));
    if (!size) return Fail(c, r);
    {
        ListLock lock = c.lists.Take(false);
        if (r.fileSize == 0) r.fileSize = *size;
        if (r.fileSize == 0) {
            RemoveTransfer(c, lock, r);
            lock.unlock();
            StartNextQueuedDownload(c);
            c.rt.ui.ShowAlert(AlertKind::Modeless, Format(600, "File '%s' has a 0 byte file size!", localPath.c_str()));
            return;
        }
    }
    DownloadFile file;
    if (!streaming) {
        file = OpenDownloadFile(c, localPath, action);
        if (!file.file.valid()) return Fail(c, r);
    }
    {
        ListLock lock = c.lists.Take(false);
        if (r.stopRequest == 0) {
            r.startOffset = r.position = offset;
            r.startTime = TransferNow();
            SetTransferState(c, lock, r, TransferState::Transferring);
        }
    }
    ReceiveFile(c, r, fd, std::move(file));
}

std::string PartialPath(const std::string& localPath) {
    return localPath + std::string(kPartialEnding);
}

DownloadFile OpenDownloadFile(Transfers& c, const std::string& localPath, ExistingFileAction action) {
    std::error_code ec;
    const std::string folder = fs::path(localPath).parent_path().string();
    const bool exists = fs::exists(localPath, ec);
    DownloadFile out;
    if (!(exists && action == ExistingFileAction::NewName)) {
        fs::create_directories(folder, ec);
        // A resume goes on at the end of the file it continues; anything else is written beside the
        // file's name and takes it only once complete, so that a cancel or a crash never leaves a
        // cut file under the real name (or cuts one that was there).
        const bool append = exists && action == ExistingFileAction::Append;
        out.path = append ? localPath : PartialPath(localPath);
        // Never through a symbolic link: the bytes land in the save folder and nowhere else.
        out.file =
            platform::UniqueFd(::open(out.path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0644));
    }
    if (!out.file.valid())
        c.rt.ui.ShowAlert(AlertKind::Modeless, Format(800, "Unable to save file %s to %s.", localPath.c_str(), folder.c_str()));
    return out;
}

void ReceiveFile(Transfers& c, TransferRecord& r, int fd, DownloadFile download) {
    platform::UniqueFd file = std::move(download.file);
    const std::string writtenPath = download.path;  // what a failure leaves behind
    std::string localPath;
    std::uint32_t fileSize = 0, position = 0;
    bool streaming = false;
    {
        ListLock lock = c.lists.Take(false);
        localPath = r.localPath;
        fileSize = r.fileSize;
        position = r.position;
        streaming = r.streaming;
    }
    // A stream has no file: nothing below (which sets a partial file aside) may touch the save folder.
    if (streaming) return StreamToPlayer(c, r, fd);
    auto partial = [&] {
        ListLock lock = c.lists.Take(false);
        return PartialDownload{writtenPath, r.localPath, r.fileSize, r.checksum};
    };
    // A download that ended short: a resumed one tries its next source, anything else keeps or
    // deletes its partial file and fails.
    auto endShort = [&] {
        if (MoveToNextSource(c, r)) return;
        SaveIncomplete(c, partial());
        Fail(c, r);
    };
    // A user's cancel or delete (also one that came before the data phase), after which the worker
    // lets go of the record.
    auto stopped = [&] {
        std::uint32_t stop = 0;
        {
            ListLock lock = c.lists.Take(false);
            stop = r.stopRequest;
        }
        if (stop == 0) return false;
        file.reset();
        SaveIncomplete(c, partial());  // the file is set aside with no lock held
        {
            ListLock lock = c.lists.Take(false);
            if (stop == 1) {
                SetTransferState(c, lock, r, TransferState::Cancelled);
            } else {
                RemoveTransfer(c, lock, r);
            }
        }
        StartNextQueuedDownload(c);
        return true;
    };
    if (stopped()) return;
    if (!WaitForData(c, fd, c.rt.Scaled(20s))) {
        if (c.rt.state.quitting) return;
        file.reset();
        return endShort();
    }
    std::vector<char> block(kBlock);
    bool stalled = false;
    while (position < fileSize && !stalled) {
        // Idle: one-second steps, each with the stop check and a progress refresh.
        platform::WaitResult ready;
        while ((ready = platform::WaitReadable(fd, std::chrono::milliseconds(1000))) == platform::WaitResult::TimedOut) {
            if (c.rt.state.quitting || stopped()) return;
            if (!RefreshTransferProgress(c, r)) {
                stalled = true;
                break;
            }
        }
        if (stalled || ready == platform::WaitResult::Failed) break;
        ssize_t n = ::recv(fd, block.data(), block.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c.rt.state.quitting || stopped()) return;
        // Bytes beyond the file's size are not the file's: they never land in it.
        const std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(n), fileSize - position);
        if (file.valid() && !WriteAll(file.get(), block.data(), keep)) break;
        position += static_cast<std::uint32_t>(keep);
        {
            ListLock lock = c.lists.Take(false);
            r.position = position;
        }
        if (!RefreshTransferProgress(c, r)) break;
    }
    bool written = file.closeChecked();
    ::shutdown(fd, SHUT_RDWR);
    if (position >= fileSize && written && writtenPath != localPath && ::rename(writtenPath.c_str(), localPath.c_str()) != 0) {
        written = false;
        const std::string folder = fs::path(localPath).parent_path().string();
        c.rt.ui.ShowAlert(AlertKind::Modeless, Format(800, "Unable to save file %s to %s.", localPath.c_str(), folder.c_str()));
    }
    if (position >= fileSize && written) return CompleteDownload(c, r);
    endShort();
}

void CompleteDownload(Transfers& c, TransferRecord& r) {
    FinishResumedFile(c, r);
    std::string localPath;
    std::uint32_t fileSize = 0;
    {
        ListLock lock = c.lists.Take(false);
        localPath = r.localPath;
        fileSize = r.fileSize;
    }
    c.incomplete.Forget(localPath);
    library::InspectDownloadedFile(c.library, localPath, fileSize);
    const bool autoDelete = c.rt.state.settings().autoDelete;
    {
        ListLock lock = c.lists.Take(false);
        if (autoDelete) {
            RemoveTransfer(c, lock, r);
        } else {
            SetTransferState(c, lock, r, TransferState::Complete);
        }
    }
    StartNextQueuedDownload(c);
}

}  // namespace tandril::transfer
