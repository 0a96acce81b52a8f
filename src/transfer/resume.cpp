#include "transfer/resume.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "base/line_speed.h"
#include "base/text.h"
#include "library/audio_data_start.h"
#include "link/proxy_client.h"
#include "protocol/peer_messages.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/peek_reply.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// How long a resume search may stay unanswered: some servers never answer 215 at all.
constexpr auto kSourceSearchWait = 60s;
// More sources than this for one file are not kept: a server cannot make the list grow for ever.
constexpr std::size_t kMaxSources = 1000;
// Sources are timed by this many pings at once, each waiting this long at most.
constexpr std::size_t kPingWorkers = 75;
constexpr auto kSourcePingLimit = 1000ms;

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint32_t SizeOnDisk(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint32_t>(std::min<std::uintmax_t>(size, UINT32_MAX));
}

// A rename, or a copy and delete when the two folders lie on different file systems.
bool MoveFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return true;
    if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) return false;
    fs::remove(from, ec);
    return true;
}

bool InFolder(const std::string& path, const fs::path& folder) {
    return fs::path(path).parent_path() == folder;
}

TransferRecord* FindResumingFor(Transfers& c, const ListLock& lock, const std::string& nick, const std::string& name) {
    for (auto& r : c.lists.Of(lock, false)) {
        if (r->state == TransferState::Resuming && !r->attached && r->currentSource && EqualsNoCase(r->currentSource->nick, nick) &&
            EqualsNoCase(r->currentSource->remoteName, name)) {
            return r.get();
        }
    }
    return nullptr;
}

// The source's nick and line speed take the row's user and speed cells.
void ShowSource(Transfers& c, const ListLock& lock, TransferRecord& r) {
    const TransferRecord& s = *r.currentSource;
    r.nick = s.nick;
    c.view.Edit(false, r.rowId, [&](TransferRow& row) { row.cells[kUserColumn] = s.nick; });
    SetTransferLineSpeed(c, lock, r, s.peerLineSpeed);
}

PartialDownload PartialOf(const TransferRecord& r) {
    return PartialDownload{r.localPath, r.localPath, r.fileSize, r.checksum};
}

// A resuming download that ran out of sources: Error ("Indisponible" when it never had one), its
// partial file kept, its slot passed on. The state changes under the lock the caller found the
// record with (a record no worker holds may be deleted by the user as soon as it is let go);
// what is returned is set aside afterwards, with no lock held.
PartialDownload FailResumeLocked(Transfers& c, const ListLock& lock, TransferRecord& r) {
    PartialDownload partial = PartialOf(r);
    SetTransferState(c, lock, r, TransferState::Error);
    return partial;
}

void KeepFailedResume(Transfers& c, const PartialDownload& partial) {
    SaveIncomplete(c, partial);
    StartNextQueuedDownload(c);
}

// The same from the worker that holds the record.
void FailResume(Transfers& c, TransferRecord& r) {
    PartialDownload partial;
    {
        ListLock lock = c.lists.Take(false);
        partial = FailResumeLocked(c, lock, r);
    }
    KeepFailedResume(c, partial);
}

// The first source is asked for; false when there is none.
bool TryFirstSource(Transfers& c, const ListLock& lock, TransferRecord& r, protocol::Outbox& out) {
    if (r.sources.empty()) return false;
    r.currentSource = r.sources.front().get();
    AskForSource(c, lock, r, out);
    return true;
}

// The round-trip times of the sources' addresses, in their order: on workers of their own, a few at
// a time, each within the limit (-1: no answer). Not timed (9999) when the client has no pinger.
std::vector<int> TimeSources(Transfers& c, const std::vector<std::uint32_t>& addresses) {
    std::vector<int> times(addresses.size(), c.ping ? -1 : 9999);
    if (!c.ping || addresses.empty()) return times;
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; !c.rt.state.quitting && (i = next++) < addresses.size();) times[i] = c.ping(addresses[i], kSourcePingLimit);
    };
    std::vector<std::jthread> workers;
    for (std::size_t k = 1; k < std::min(kPingWorkers, addresses.size()); ++k) workers.emplace_back(work);
    work();
    return times;
}

// The search for a record's sources is over (217, or no answer in time); on a worker, as the
// sources are timed before the first is asked for.
void EndSourceSearch(Transfers& c, std::uint32_t rowId, const std::string& checksum, std::uint32_t size) {
    // The record is claimed (no longer awaiting: a second end finds nothing) and its sources noted.
    std::uint32_t claimed = 0;
    std::vector<TransferRecord*> sources;
    std::vector<std::uint32_t> addresses;
    {
        ListLock lock = c.lists.Take(false);
        for (auto& r : c.lists.Of(lock, false)) {
            if (r->state != TransferState::Resuming || !r->awaitingSources || r->checksum != checksum || r->fileSize != size) continue;
            if (rowId != 0 && r->rowId != rowId) continue;
            r->awaitingSources = false;
            claimed = r->rowId;
            for (const auto& s : r->sources) {
                sources.push_back(s.get());
                addresses.push_back(s->peerAddress);
            }
            break;
        }
    }
    if (claimed == 0) return;
    const std::vector<int> times = TimeSources(c, addresses);
    std::optional<PartialDownload> failed;
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        // Cancelled or deleted meanwhile: nothing to try. Sources live as long as their record.
        TransferRecord* r = c.lists.FindByRowId(lock, false, claimed);
        if (!r || r->state != TransferState::Resuming || r->currentSource) return;
        for (std::size_t i = 0; i < sources.size(); ++i) sources[i]->pingMs = times[i];
        // Taken in the order they came, each goes where its time puts it.
        std::vector<std::unique_ptr<TransferRecord>> arrived = std::move(r->sources);
        r->sources.clear();
        for (auto& s : arrived) InsertSource(*r, std::move(s));
        if (!TryFirstSource(c, lock, *r, out)) failed = FailResumeLocked(c, lock, *r);
    }
    c.view.NotifySourcesChanged();
    if (failed) KeepFailedResume(c, *failed);
}

}  // namespace

void SaveIncomplete(Transfers& c, const PartialDownload& partial) {
    const fs::path folder = c.incomplete.Folder();
    std::error_code ec;
    // A file resumed from the Incomplete folder is already the user's kept partial file.
    if (InFolder(partial.writtenPath, folder)) {
        if (fs::exists(partial.writtenPath, ec)) c.incomplete.Add({partial.writtenPath, partial.fileSize, partial.checksum});
        return;
    }
    int action = c.rt.state.settings().partialAction;
    if (action == 2) action = c.rt.ui.AskPartialTransfer(BaseName(partial.localPath)) ? 1 : 0;
    if (action == 0) {
        fs::remove(partial.writtenPath, ec);
    } else if (action == 1) {
        const std::string base = BaseName(partial.localPath);
        if (base.empty() || base == "." || base == "..") return;
        fs::create_directories(folder, ec);
        const std::string target = (folder / base).string();
        MoveFile(partial.writtenPath, target);  // a file that cannot be moved still gets its entry
        c.incomplete.Add({target, partial.fileSize, partial.checksum});
    }
}

void SaveIncompleteDownloads(Transfers& c) {
    std::vector<PartialDownload> partials;
    {
        ListLock lock = c.lists.Take(false);
        for (auto& r : c.lists.Of(lock, false)) {
            if (r->state != TransferState::Transferring || r->streaming) continue;
            PartialDownload p = PartialOf(*r);
            std::error_code ec;
            if (fs::exists(PartialPath(r->localPath), ec)) p.writtenPath = PartialPath(r->localPath);
            partials.push_back(std::move(p));
        }
    }
    for (const auto& p : partials) SaveIncomplete(c, p);
}

void InsertSource(TransferRecord& record, std::unique_ptr<TransferRecord> source) {
    const bool atOwnAddress = source->peerAddress == record.peerAddress;
    auto at = std::find_if(record.sources.begin(), record.sources.end(), [&](const auto& s) {
        return s->peerAddress != record.peerAddress && (atOwnAddress || source->pingMs <= s->pingMs);
    });
    record.sources.insert(at, std::move(source));
}

void RequestResume(Transfers& c, const std::vector<IncompleteEntry>& entries) {
    std::vector<std::pair<std::uint32_t, IncompleteEntry>> asked;
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        for (const IncompleteEntry& e : entries) {
            auto& list = c.lists.Of(lock, false);
            const bool running =
                std::any_of(list.begin(), list.end(), [&](const auto& r) { return !IsTransferFinished(*r) && r->localPath == e.path; });
            if (running) continue;
            auto record = std::make_unique<TransferRecord>(false, "", CutText(BaseName(e.path), 349), CutText(e.checksum, 49), e.size, 0, 0,
                                                           c.lists.NextRowId(), TransferNow());
            record->state = TransferState::Resuming;
            record->localPath = e.path;
            record->existingFileAction = ExistingFileAction::Append;
            record->position = SizeOnDisk(e.path);
            record->awaitingSources = true;
            TransferRecord& r = AddTransfer(c, lock, std::move(record));
            TakeDownloadSlot(c, out);
            out.Add(protocol::FindSources{r.checksum, r.fileSize});
            asked.emplace_back(r.rowId, e);
        }
    }
    for (const auto& one : asked) {
        c.rt.StartWorker([&c, rowId = one.first, e = one.second] {
            c.rt.Sleep(c.rt.Scaled(kSourceSearchWait));
            if (!c.rt.state.quitting) EndSourceSearch(c, rowId, e.checksum, e.size);
        });
    }
}

void OnResumeSource(Transfers& c, const protocol::SourceFound& m) {
    bool added = false;
    {
        ListLock lock = c.lists.Take(false);
        for (auto& r : c.lists.Of(lock, false)) {
            if (r->state != TransferState::Resuming || r->checksum != m.checksum || r->fileSize != m.size) continue;
            const bool known = std::any_of(r->sources.begin(), r->sources.end(), [&](const auto& s) {
                return EqualsNoCase(s->nick, m.user) && EqualsNoCase(s->remoteName, m.fileName);
            });
            if (known || r->sources.size() >= kMaxSources) break;
            auto source = std::make_unique<TransferRecord>(false, CutText(m.user, 19), CutText(m.fileName, 349), CutText(m.checksum, 49),
                                                           m.size, m.address, m.port, 0, TransferNow());
            source->peerLineSpeed = m.lineSpeed;
            // Kept in the order they come until the search ends and they are timed; one that comes
            // later still takes its place among them.
            if (r->awaitingSources) {
                r->sources.push_back(std::move(source));
            } else {
                InsertSource(*r, std::move(source));
            }
            added = true;
            break;
        }
    }
    if (added) c.view.NotifySourcesChanged();
}

std::vector<SourceRow> ResumeSources(Transfers& c) {
    std::vector<SourceRow> rows;
    ListLock lock = c.lists.Take(false);
    for (auto& r : c.lists.Of(lock, false)) {
        if (r->state != TransferState::Resuming && r->sources.empty()) continue;
        for (auto& s : r->sources) {
            rows.push_back({s->remoteName, s->nick, LineSpeedName(static_cast<int>(s->peerLineSpeed)),
                            s->pingMs < 0 || s->pingMs == 9999 ? std::string() : std::to_string(s->pingMs), s.get() == r->currentSource});
        }
    }
    return rows;
}

void OnResumeSearchEnd(Transfers& c, const protocol::SourcesEnd& m) {
    c.rt.StartWorker([&c, m] { EndSourceSearch(c, 0, m.checksum, m.size); });
}

void AskForSource(Transfers&, const ListLock&, TransferRecord& r, protocol::Outbox& out) {
    TransferRecord& s = *r.currentSource;
    r.requestTime = s.requestTime = TransferNow();
    if (s.peerPort == 0) {
        out.Add(protocol::PushRequest{s.nick, s.remoteName});
    } else {
        out.Add(protocol::DownloadRequest{s.nick, s.remoteName});
    }
}

bool TryNextSource(Transfers& c, const ListLock& lock, TransferRecord& r, protocol::Outbox& out) {
    if (!r.currentSource) return false;
    auto at = std::find_if(r.sources.begin(), r.sources.end(), [&](const auto& s) { return s.get() == r.currentSource; });
    if (at == r.sources.end() || std::next(at) == r.sources.end()) return false;
    r.currentSource = std::next(at)->get();
    SetTransferState(c, lock, r, TransferState::Resuming);
    AskForSource(c, lock, r, out);
    return true;
}

bool MoveToNextSource(Transfers& c, TransferRecord& r) {
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    return TryNextSource(c, lock, r, out);
}

bool OnSourceAddress(Transfers& c, const protocol::DownloadAddress& m) {
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    TransferRecord* r = FindResumingFor(c, lock, m.user, m.fileName);
    if (!r) return false;
    if (m.lineSpeed) r->currentSource->peerLineSpeed = *m.lineSpeed;
    if (m.port == 0) {
        // The source went firewalled since it was listed: it is asked to connect to us.
        r->currentSource->peerPort = 0;
        AskForSource(c, lock, *r, out);
        return true;
    }
    r->attached = true;  // before the worker runs, so that the row cannot be freed under it
    c.rt.StartWorker([&c, r] { ResumeFromSource(c, *r); });
    return true;
}

bool OnSourceRefused(Transfers& c, const std::string& nick, const std::string& name) {
    std::optional<PartialDownload> failed;
    {
        Outbox out(c);
        ListLock lock = c.lists.Take(false);
        TransferRecord* r = FindResumingFor(c, lock, nick, name);
        if (!r) return false;
        if (!TryNextSource(c, lock, *r, out)) failed = FailResumeLocked(c, lock, *r);
    }
    if (failed) KeepFailedResume(c, *failed);
    return true;
}

TransferRecord* TakeResumingForPush(Transfers& c, const ListLock& lock, const std::string& nick, const std::string& name) {
    TransferRecord* r = FindResumingFor(c, lock, nick, name);
    if (!r) return nullptr;
    r->attached = true;
    r->existingFileAction = ExistingFileAction::Append;
    ShowSource(c, lock, *r);
    return r;
}

void ResumeFromSource(Transfers& c, TransferRecord& r) {
    std::string localPath, checksum, sourceName;
    std::uint32_t address = 0, port = 0;
    {
        ListLock lock = c.lists.Take(false);
        r.attached = true;
        if (!r.currentSource) return;
        ShowSource(c, lock, r);
        localPath = r.localPath;
        checksum = r.checksum;
        sourceName = r.currentSource->remoteName;
        address = r.currentSource->peerAddress;
        port = r.currentSource->peerPort;
    }
    auto failed = [&] {
        if (!MoveToNextSource(c, r)) FailResume(c, r);
    };
    const std::uint32_t offset = SizeOnDisk(localPath);
    link::ProxyOutcome connection = link::ConnectThroughProxy(c.rt, {ntohl(address), static_cast<std::uint16_t>(port)}, true);
    if (connection.status != 1) return failed();
    const int fd = connection.socket.fd();
    platform::SetBuffers(fd, 65536);
    char greeting = 0;
    if (!WaitForData(c, fd, c.rt.Scaled(20s)) || ::recv(fd, &greeting, 1, 0) != 1 || greeting != protocol::kPeerGreeting[0]) {
        return failed();
    }
    // A checksum with "-" counts the offset from the first audio frame, so that a source whose
    // file has other tags in front still continues at the same audio byte. A partial file with no
    // frame found yet gives its plain length.
    std::string offsetText = protocol::NumberReply(offset);
    if (checksum.find('-') != std::string::npos) {
        const std::uint32_t audioStart = library::AudioDataStart(localPath);
        if (audioStart > 0 && audioStart <= offset) offsetText = std::to_string(offset - audioStart) + "c";
    }
    const std::string request = protocol::FileRequest{c.rt.state.account().userName, sourceName, offsetText}.Encode();
    if (!platform::SendAllBlocking(fd, protocol::PeerCommandText(protocol::PeerCommand::Get)) || !platform::SendAllBlocking(fd, request)) {
        return failed();
    }
    if (!WaitForData(c, fd, c.rt.Scaled(20s))) return failed();
    ReplyPeek peek{
        .peek = [fd](char* into, std::size_t n) { return static_cast<long>(::recv(fd, into, n, MSG_PEEK | MSG_DONTWAIT)); },
        .sleep = [&c](std::chrono::milliseconds d) { c.rt.Sleep(d); },
    };
    const std::size_t length = PeekReplyLength(peek);
    char reply[128] = {};
    if (length == 0 || ::recv(fd, reply, length, MSG_WAITALL) != static_cast<ssize_t>(length)) return failed();
    if (!protocol::ParseSizeReply(std::string_view(reply, length))) return failed();
    DownloadFile file = OpenDownloadFile(c, localPath, ExistingFileAction::Append);
    if (!file.file.valid()) return failed();
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

void FinishResumedFile(Transfers& c, TransferRecord& r) {
    std::string localPath;
    {
        ListLock lock = c.lists.Take(false);
        localPath = r.localPath;
    }
    if (!InFolder(localPath, c.incomplete.Folder())) return;
    const std::string target = LocalDownloadPath(c, BaseName(localPath));
    std::error_code ec;
    if (target.empty() || fs::exists(target, ec)) return;
    fs::create_directories(fs::path(target).parent_path(), ec);
    if (!MoveFile(localPath, target)) return;
    c.incomplete.Forget(localPath);
    ListLock lock = c.lists.Take(false);
    r.localPath = target;
}

}  // namespace tandril::transfer
