#include "library/my_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "base/shared_folders.h"
#include "base/text.h"
#include "library/file_hash.h"
#include "library/library.h"
#include "library/resume_list.h"
#include "platform/atomic_file.h"
#include "platform/file_probe.h"
#include "platform/memory.h"

namespace tandril::library {

namespace {

std::filesystem::path DataFile(Library& c, const char* name) {
    return c.rt.state.profileFolder / name;
}

// The low 32 bits of a regular file's size, as a directory listing gives it.
std::optional<std::uint32_t> CurrentSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint32_t>(st.st_size);
}

bool Readable(const std::string& path) {
    return ::access(path.c_str(), R_OK) == 0;
}

std::string FileNameOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// From the last '.' of the file name, the '.' included; empty when there is none (or the name
// starts with its only '.').
std::string Extension(std::string_view path) {
    std::string name = FileNameOf(path);
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

// The announcement and shared.dat quote names and separate fields with blanks: a name with a
// double quote, a backslash or a control character could not be read back as the same file.
bool IsShareablePath(std::string_view path) {
    return std::none_of(path.begin(), path.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == 0x7F || c == '"' || c == '\\';
    });
}

// A plug-in's hash goes into blank-separated fields: blanks and quotes in it would shift them.
std::string CleanHash(std::string hash, std::string_view fallback) {
    for (char& ch : hash) {
        if (static_cast<unsigned char>(ch) <= ' ' || ch == '"') ch = '_';
    }
    return hash.empty() ? std::string(fallback) : CutText(hash, kMaxFileHash);
}

std::int32_t Signed(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

// The file's type says whether it is shared and, for media types, with which values.
bool InspectWithFileType(Library& c, SharedFileRecord& record, std::uint32_t size) {
    std::string extension = Extension(record.path);
    if (extension.empty()) return false;
    const FileType* type = c.fileTypes.FindFileType(extension);
    if (!type) return false;
    if (!IsMediaType(*type)) return (ValidateFile(*type, record.path) & 0x80000000u) != 0;
    MediaInfo info;
    if ((ExtractMediaInfo(*type, record.path, size, info) & 0x80000000u) == 0) return false;
    record.bitrate = Signed(info.bitrate);
    record.frequency = Signed(info.frequency);
    record.length = Signed(info.length);
    record.hash = CleanHash(info.hash, record.hash);
    return true;
}

bool InFolder(std::string_view path, std::string_view folder, bool ignoreCase) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    if (folder.empty() || path.size() <= folder.size()) return false;
    std::string_view head = path.substr(0, folder.size());
    bool same = ignoreCase ? EqualsNoCase(head, folder) : head == folder;
    return same && (path[folder.size()] == '/' || folder == "/");
}

// What the save folder adds to the shared folders: only when its files are shared.
std::string SharedSaveFolder(Library& c) {
    return ShareSaveFolder(c.rt.store) ? c.rt.state.settings().savePath : std::string();
}

// 870 goes out only while the user offers upload slots.
ShareBatch::Send BatchSender(Library& c, protocol::Outbox& out) {
    if (c.rt.state.settings().maxUploads == 0) return {};
    return [&out](const protocol::ShareFolder& batch) { out.Add(batch); };
}

// Library lock held. A file joins a batch only inside a connection: after a disconnect the next
// login announces everything again.
void AddToShareBatch(Library& c, protocol::Outbox& out, SharedFileRecord& record) {
    if (!c.rt.state.connected) return;
    c.sharedList.batch.Add(c.sharedList.FolderPrefix(record), ShareEntry(record), BatchSender(c, out));
    record.announced = true;
}

void FlushShareBatch(Library& c, protocol::Outbox& out) {
    if (c.rt.state.connected) c.sharedList.batch.Flush(BatchSender(c, out));
}

void SendUnshare(Library& c, protocol::Outbox& out, SharedFileRecord& record) {
    out.Add(protocol::UnshareFile{c.sharedList.VirtualName(record)});
}

void LowerSharedCount(Library& c) {
    int count = c.rt.state.sharedFileCount.load();
    while (count > 0 && !c.rt.state.sharedFileCount.compare_exchange_weak(count, count - 1)) {
    }
}

std::string SharedDatText(SharedList& list) {
    std::size_t size = 0;
    for (const SharedFileRecord& r : list.records()) size += r.path.size() + r.hash.size() + 48;
    std::string text;
    text.reserve(size);  // one allocation, not a doubling chain, for a large library
    for (const SharedFileRecord& r : list.records()) AppendSharedDatLine(text, r);
    return text;
}

// Library lock held.
bool WriteSharedDatLocked(Library& c, const std::string& text) {
    return platform::WriteFileAtomically(DataFile(c, "shared.dat"), text, DataFile(c, "tmp.dat"));
}

// Library lock held.
bool SaveSharedListLocked(Library& c) {
    return WriteSharedDatLocked(c, SharedDatText(c.sharedList));
}

void AppendSharedLine(Library& c, const SharedFileRecord& record) {
    std::ofstream out(DataFile(c, "shared.dat"), std::ios::app | std::ios::binary);
    out << SharedDatLine(record);
}

// The folders whose files may be shared, read once for a pass over many paths.
struct SharingFolders {
    std::string saveFolder;  // empty when downloads are not shared
    std::vector<std::string> folders;

    bool Hold(std::string_view path) const {
        if (!saveFolder.empty() && InFolder(path, saveFolder, false)) return true;
        return std::any_of(folders.begin(), folders.end(), [&](const std::string& f) { return InFolder(path, f, false); });
    }
};

SharingFolders CurrentSharingFolders(Library& c) {
    SharingFolders sharing{SharedSaveFolder(c), {}};
    std::scoped_lock lock(c.rt.state.sharedFoldersLock);
    sharing.folders = c.rt.state.sharedFolders;
    return sharing;
}

// A shared.dat line as written: path, hash, size and the three values.
struct DatLine {
    std::string_view path, hash;
    std::uint32_t size = 0;
    std::int32_t bitrate = 0, frequency = 0, length = 0;
};

std::int32_t Number(std::string_view token) {
    std::int32_t value = 0;
    std::from_chars(token.data(), token.data() + token.size(), value);
    return value;
}

// Nullopt without a path, or without a size that is a number and nothing else.
std::optional<DatLine> ParseDatLine(std::string_view text) {
    std::string_view t[6];
    const std::size_t n = SharedDatTokenViews(text, t, 6);
    if (n < 3) return std::nullopt;
    DatLine line{t[0], t[1]};
    auto [end, ec] = std::from_chars(t[2].data(), t[2].data() + t[2].size(), line.size);
    if (ec != std::errc() || end != t[2].data() + t[2].size()) return std::nullopt;
    line.bitrate = n > 3 ? Number(t[3]) : 0;
    line.frequency = n > 4 ? Number(t[4]) : 0;
    line.length = n > 5 ? Number(t[5]) : 0;
    return line;
}

SharedFileRecord RecordOf(const DatLine& line) {
    SharedFileRecord record;
    record.path = CutText(line.path, kMaxSharedPath);
    record.hash = CleanHash(std::string(line.hash), "x");
    record.size = line.size;
    record.bitrate = line.bitrate;
    record.frequency = line.frequency;
    record.length = line.length;
    return record;
}

// What the check of a shared.dat line found.
enum class LineCheck : std::uint8_t { Drop, Keep, Reinspected };

// A shared.dat line whose file is still there, still shared and of the same size. A hash with '-'
// (the MD5 form, the placeholder) is trusted; any other goes through its plug-in again, and the
// values it gives are put in `reinspected`. Reads the disk: no lock is held. `path` is scratch
// space, so that a worker does not allocate for every line.
LineCheck CheckDatLine(Library& c, const SharingFolders& sharing, std::string_view text, std::string& path, platform::FileProbe& probe,
                       SharedFileRecord& reinspected) {
    auto line = ParseDatLine(text);
    if (!line) return LineCheck::Drop;
    if (line->path.size() <= kMaxSharedPath) {
        path.assign(line->path);
    } else {
        path = CutText(line->path, kMaxSharedPath);
    }
    if (!IsShareablePath(path) || !sharing.Hold(path)) return LineCheck::Drop;
    auto size = probe.ReadableFileSize(path);
    if (!size || static_cast<std::uint32_t>(*size) != line->size) return LineCheck::Drop;
    // The hash as it is kept (cut to its width; a cut never takes an ASCII '-' away from the rest).
    if (line->hash.substr(0, kMaxFileHash).find('-') != std::string_view::npos) return LineCheck::Keep;
    reinspected = RecordOf(*line);
    return InspectWithFileType(c, reinspected, line->size) ? LineCheck::Reinspected : LineCheck::Drop;
}

// Runs work(i, scratch) for every i below `count`, on every core, a chunk at a time; each thread
// has a Scratch of its own, kept from one i to the next.
template <typename Scratch, typename Work>
void OnAllCores(std::size_t count, std::size_t chunk, Work work) {
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        Scratch scratch;
        for (std::size_t first; (first = next.fetch_add(chunk)) < count;) {
            for (std::size_t i = first; i < std::min(count, first + chunk); ++i) work(i, scratch);
        }
    };
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, (count + chunk - 1) / chunk);
    std::vector<std::jthread> workers;
    for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(run);
    run();
}

// Adds a file to the shared list unless it holds it already (a second line of shared.dat, the save
// folder inside a shared folder). Library lock held.
bool Publish(Library& c, SharedFileRecord record) {
    if (c.sharedList.Find(record.path)) return false;
    SharedFileRecord& added = c.sharedList.Append(std::move(record));
    c.sharedList.AssignFolderNumber(added);
    ++c.rt.state.sharedFileCount;
    return true;
}

// What a worker found for one pending file.
struct Inspected {
    bool accepted = false;
    SharedFileRecord record;
};

Inspected InspectPending(Library& c, const PendingFile& file) {
    Inspected result;
    result.record.path = file.path;
    result.record.hash = file.hash;
    auto size = CurrentSize(file.path);
    if (!size || !IsShareablePath(file.path)) return result;
    result.record.size = *size;
    result.accepted = InspectWithFileType(c, result.record, *size);
    return result;
}

// Inspects every pending file on all cores; the progress shows files done so far.
std::vector<Inspected> InspectAll(Library& c, const std::vector<PendingFile>& pending) {
    const std::size_t count = pending.size();
    std::vector<Inspected> results(count);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::mutex progressLock;
    std::size_t shown = 0;
    auto work = [&] {
        for (std::size_t i; (i = next++) < count;) {
            results[i] = InspectPending(c, pending[i]);
            std::size_t finished = ++done;
            std::scoped_lock lock(progressLock);
            if (finished <= shown) continue;
            shown = finished;
            c.rt.dialog.SetSecondLine(Format(64, "%zu of %zu", finished, count));
            c.rt.dialog.SetProgress(static_cast<int>(finished), static_cast<int>(count));
        }
    };
    std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, count);
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(work);
        work();
    }
    return results;
}

// Inspects the pending files with no lock held (the inspection reads every file), then publishes
// the accepted ones under the library lock: other threads look files up meanwhile.
int LoadNewFilesUnlocked(Library& c, std::vector<PendingFile>& pending) {
    if (pending.empty()) return 0;
    const int count = static_cast<int>(pending.size());
    c.rt.dialog.SetProgress(0, count);
    c.rt.dialog.SetSecondLine(Format(64, "0 of %d", count));
    std::vector<Inspected> results = InspectAll(c, pending);
    pending.clear();
    int accepted = 0;
    {
        std::scoped_lock lock(c.sharedList.lock);
        for (Inspected& r : results) {
            if (r.accepted && Publish(c, std::move(r.record))) ++accepted;
        }
        if (c.sharedList.size() > 0) SaveSharedListLocked(c);
    }
    c.rt.dialog.SetSecondLine("");
    c.rt.dialog.SetProgress(0, count);
    return accepted;
}

// Walks the folders with no lock held; each lookup of a found file takes the lock for itself.
int RescanUnlocked(Library& c, std::vector<PendingFile>& pending) {
    std::vector<std::string> folders = SharedFolderList(c.rt.state);
    std::string saveFolder = SharedSaveFolder(c);
    if (!saveFolder.empty()) folders.push_back(saveFolder);
    ScanContext context{&c.fileTypes, ScanTypeNames(c.rt.store), [&c](const std::string& path) {
                            std::scoped_lock lock(c.sharedList.lock);
                            return c.sharedList.Find(path) != nullptr;
                        }};
    int found = 0;
    for (const std::string& folder : folders) found += WalkDirectory(context, folder, pending);
    return found;
}

void RefreshLibraryViewLocked(Library& c) {
    std::vector<LibraryRow> rows;
    for (SharedFileRecord& r : c.sharedList.records()) {
        if (r.listed) continue;
        rows.push_back(MakeLibraryRow(r, c.fileTypes, rows.empty() ? nullptr : &rows.back()));
        r.listed = true;
    }
    c.view.AddRows(std::move(rows));
}

// Drops the files that are gone or no longer in a shared folder. The disk is looked at with no
// lock held; what went is removed under the library lock, its 102 leaving through `out`.
void PruneSharedListUnlocked(Library& c, protocol::Outbox& out) {
    std::vector<std::string> paths;
    {
        std::scoped_lock lock(c.sharedList.lock);
        for (const SharedFileRecord& r : c.sharedList.records()) paths.push_back(r.path);
    }
    const std::vector<std::string> folders = SharedFolderList(c.rt.state);
    std::vector<std::string> gone;
    for (const std::string& path : paths) {
        bool inFolder = std::any_of(folders.begin(), folders.end(), [&](const std::string& f) { return InFolder(path, f, true); });
        if (!inFolder || !Readable(path)) gone.push_back(path);
    }
    if (gone.empty()) return;
    std::scoped_lock lock(c.sharedList.lock);
    for (const std::string& path : gone) {
        SharedFileRecord* r = c.sharedList.Find(path);
        if (!r) continue;
        LowerSharedCount(c);
        if (c.rt.state.connected && r->announced) SendUnshare(c, out, *r);
        c.sharedList.Remove(path);
    }
    c.view.RemoveRows(gone);
    if (c.rt.state.connected) ShowSharingStatus(c);
}

}  // namespace

void ShowSharingStatus(Library& c) {
    c.rt.SetStatusText(
        0, Format(99, "Online (%s): Sharing %d files.", c.rt.state.account().userName.c_str(), c.rt.state.sharedFileCount.load()));
}

bool IsInSharedFolder(Library& c, std::string_view path) {
    return CurrentSharingFolders(c).Hold(path);
}

namespace {

// The lines of shared.dat that still match their files join the shared list, in file order. The
// files are looked at on every core with no lock held; only what was kept is kept meanwhile, and
// a kept line is read again for its record on this thread, so that the records are made where
// they stay. Returns the hash of the text read, nullopt when there was none.
std::optional<std::size_t> ReloadSharedDat(Library& c) {
    auto text = platform::ReadWholeFile(DataFile(c, "shared.dat"));
    if (!text) return std::nullopt;
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text->size();) {
        std::size_t end = std::min(text->find('\n', start), text->size());
        lines.push_back(std::string_view(*text).substr(start, end - start));
        start = end + 1;
    }
    const SharingFolders sharing = CurrentSharingFolders(c);
    std::vector<LineCheck> checks(lines.size(), LineCheck::Drop);
    std::mutex reinspectedLock;
    std::unordered_map<std::size_t, SharedFileRecord> reinspected;  // by line; only plug-in hashes
    // Lines of one folder follow each other: the probe keeps that folder open between them.
    struct Scratch {
        std::string path;
        platform::FileProbe probe;
    };
    OnAllCores<Scratch>(lines.size(), 256, [&](std::size_t i, Scratch& scratch) {
        SharedFileRecord values;
        checks[i] = CheckDatLine(c, sharing, lines[i], scratch.path, scratch.probe, values);
        if (checks[i] != LineCheck::Reinspected) return;
        std::scoped_lock lock(reinspectedLock);
        reinspected.emplace(i, std::move(values));
    });
    std::scoped_lock lock(c.sharedList.lock);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (checks[i] == LineCheck::Keep) {
            Publish(c, RecordOf(*ParseDatLine(lines[i])));
        } else if (checks[i] == LineCheck::Reinspected) {
            Publish(c, std::move(reinspected[i]));
        }
    }
    return std::hash<std::string>{}(*text);
}

}  // namespace

void BuildMyFiles(Library& c) {
    const std::optional<std::size_t> readText = ReloadSharedDat(c);
    std::vector<PendingFile> pending;
    RescanUnlocked(c, pending);
    // Loading new files rewrites shared.dat already whenever it accepted one.
    const int accepted = LoadNewFilesUnlocked(c, pending);
    {
        std::scoped_lock lock(c.sharedList.lock);
        // A library that did not change keeps its file as it is: no rewrite, no wait for the disk.
        if (accepted == 0) {
            std::string text = SharedDatText(c.sharedList);
            if (!readText || std::hash<std::string>{}(text) != *readText) WriteSharedDatLocked(c, text);
        }
        RefreshLibraryViewLocked(c);
    }
    // The walk, the inspection and shared.dat's text are freed by now: several times the size of
    // what stays for a large library.
    platform::ReleaseFreeMemory();
}

int LoadNewFiles(Library& c, std::vector<PendingFile>& pending) {
    return LoadNewFilesUnlocked(c, pending);
}

int RescanSharedFolders(Library& c, std::vector<PendingFile>& pending) {
    return RescanUnlocked(c, pending);
}

bool SaveSharedList(Library& c) {
    std::scoped_lock lock(c.sharedList.lock);
    return SaveSharedListLocked(c);
}

namespace {

int AnnounceSharedFilesLocked(Library& c, bool withDialog, protocol::Outbox& out) {
    c.rt.state.sharedFileCount = 0;
    if (c.rt.state.settings().maxUploads < 1) return 0;
    std::vector<std::string> incomplete = IncompletePaths(c.rt.state.profileFolder);
    const int total = static_cast<int>(c.sharedList.size());
    if (withDialog) c.rt.dialog.SetProgress(0, total);
    int step = 0;
    for (SharedFileRecord& r : c.sharedList.records()) {
        ++c.rt.state.sharedFileCount;
        bool resuming = std::find(incomplete.begin(), incomplete.end(), r.path) != incomplete.end();
        if (!r.announced && !resuming) AddToShareBatch(c, out, r);
        if (withDialog) c.rt.dialog.SetProgress(++step, total);
    }
    FlushShareBatch(c, out);
    if (c.rt.state.connected) ShowSharingStatus(c);
    if (withDialog) c.rt.dialog.SetProgress(0, total);
    return 1;
}

}  // namespace

int AnnounceSharedFiles(Library& c, bool withDialog) {
    int result = 0;
    {
        protocol::Outbox out(c.server);
        std::scoped_lock lock(c.sharedList.lock);
        result = AnnounceSharedFilesLocked(c, withDialog, out);
    }
    // Sent: the share messages of a large library took several megabytes for a moment.
    platform::ReleaseFreeMemory();
    return result;
}

void UnshareAllFiles(Library& c) {
    protocol::Outbox out(c.server);
    std::scoped_lock lock(c.sharedList.lock);
    for (SharedFileRecord& r : c.sharedList.records()) {
        if (!c.rt.state.connected || !r.announced) continue;
        SendUnshare(c, out, r);
        r.announced = false;
        LowerSharedCount(c);
    }
    ShowSharingStatus(c);
}

void ForgetAnnouncements(Library& c) {
    std::scoped_lock lock(c.sharedList.lock);
    for (SharedFileRecord& r : c.sharedList.records()) r.announced = false;
    c.sharedList.batch.Clear();
}

void PruneSharedList(Library& c) {
    protocol::Outbox out(c.server);
    PruneSharedListUnlocked(c, out);
}

void InspectDownloadedFile(Library& c, const std::string& path, std::uint32_t size) {
    protocol::Outbox out(c.server);
    std::scoped_lock lock(c.sharedList.lock);
    bool shared = ShareSaveFolder(c.rt.store);
    if (!shared) {
        std::scoped_lock folderLock(c.rt.state.sharedFoldersLock);
        const std::string& saveFolder = c.rt.state.settings().savePath;
        shared = std::any_of(c.rt.state.sharedFolders.begin(), c.rt.state.sharedFolders.end(),
                             [&](const std::string& f) { return saveFolder.find(f) != std::string::npos; });
    }
    if (shared && IsShareablePath(path)) {
        SharedFileRecord record{.hash = "x", .path = CutText(path, kMaxSharedPath), .size = size};
        std::string extension = Extension(path);
        extension = extension.empty() ? extension : extension.substr(1);
        std::optional<MediaInfo> info;
        if (extension.size() >= 2 && EqualsNoCase(extension.substr(0, 2), "MP")) info = InspectMp3File(path, size);
        if (!info && EqualsNoCase(extension, "WMA")) info = InspectWmaFile(path);
        if (info) {
            record.bitrate = Signed(info->bitrate);
            record.frequency = Signed(info->frequency);
            record.length = Signed(info->length);
            if (!info->hash.empty()) record.hash = info->hash;
            // The same path downloaded again replaces the file it overwrote.
            if (SharedFileRecord* old = c.sharedList.Find(record.path)) {
                if (c.rt.state.connected && old->announced) SendUnshare(c, out, *old);
                c.view.RemoveRows({old->path});
                c.sharedList.Remove(old->path);
                LowerSharedCount(c);
            }
            SharedFileRecord& added = c.sharedList.Append(std::move(record));
            ++c.rt.state.sharedFileCount;
            AppendSharedLine(c, added);
            c.view.AddRows({MakeLibraryRow(added, c.fileTypes)});
            added.listed = true;
            AddToShareBatch(c, out, added);
            if (c.rt.state.connected) ShowSharingStatus(c);
        }
    }
    FlushShareBatch(c, out);
}

void RefreshLibraryView(Library& c) {
    std::scoped_lock lock(c.sharedList.lock);
    RefreshLibraryViewLocked(c);
}

void ReloadSharedFiles(Library& c) {
    // The disk is walked and read with no lock held, so that a request for a file (607, 501) is
    // answered meanwhile; only the changes to the list take the library lock.
    std::vector<PendingFile> pending;
    {
        protocol::Outbox out(c.server);
        PruneSharedListUnlocked(c, out);
    }
    RescanUnlocked(c, pending);
    c.rt.dialog.SetStatus("Loading new files...");
    LoadNewFilesUnlocked(c, pending);
    {
        std::scoped_lock lock(c.sharedList.lock);
        SaveSharedListLocked(c);
        RefreshLibraryViewLocked(c);
    }
    c.rt.dialog.SetStatus("Sharing new files...");
    AnnounceSharedFiles(c, true);
    c.rt.dialog.PostClose(1);
}

std::string VirtualName(Library& c, const std::string& path) {
    std::scoped_lock lock(c.sharedList.lock);
    SharedFileRecord* record = c.sharedList.Find(path);
    return record ? c.sharedList.VirtualName(*record) : std::string();
}

std::string ResolveVirtualName(Library& c, const std::string& name) {
    std::scoped_lock lock(c.sharedList.lock);
    return c.sharedList.ResolveVirtualName(name);
}

bool RenameLibraryFile(Library& c, const std::string& path, const std::string& newName) {
    // A name is a name: a separator or an empty name would move the file or make none.
    if (newName.empty() || newName.find('/') != std::string::npos || newName == "." || newName == "..") {
        c.rt.ui.ShowAlert(AlertKind::Modal, Format(600, "Unable to rename file. %s", std::strerror(EINVAL)));
        return false;
    }
    const std::string newPath = CutText(path.substr(0, path.rfind('/') + 1) + newName + Extension(path), kMaxSharedPath);
    std::error_code ec;
    if (std::filesystem::exists(newPath, ec)) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "File already exists! Please try again.");
        return false;
    }
    Answer a = c.rt.ui.Ask({Format(600, "Rename '%s' to '%s'?", FileNameOf(path).c_str(), FileNameOf(newPath).c_str()), "Rename file?",
                            Buttons::YesNo, Icon::Exclamation});
    if (a != Answer::Yes) return false;
    if (::rename(path.c_str(), newPath.c_str()) != 0) {
        c.rt.ui.ShowAlert(AlertKind::Modal, Format(600, "Unable to rename file. %s", std::strerror(errno)));
        return false;
    }
    {
        protocol::Outbox out(c.server);
        std::scoped_lock lock(c.sharedList.lock);
        if (SharedFileRecord* record = c.sharedList.Find(path)) {
            bool announced = record->announced && c.rt.state.connected;
            if (announced) SendUnshare(c, out, *record);
            c.sharedList.Rename(*record, newPath);
            if (announced) {
                protocol::SharedEntry file = ShareEntry(*record);
                file.name = c.sharedList.VirtualName(*record);
                out.Add(protocol::ShareFile{file});
            }
            SaveSharedListLocked(c);
        }
    }
    c.view.RenameRow(path, newPath);
    return true;
}

namespace {

bool DeleteLibraryFile(Library& c, const std::string& path) {
    const std::string name = FileNameOf(path);
    Answer a =
        c.rt.ui.Ask({Format(600, "Delete %s from file list and disk?", name.c_str()), "Delete File", Buttons::YesNo, Icon::Exclamation});
    if (a != Answer::Yes) return false;
    if (::unlink(path.c_str()) != 0) {
        c.rt.ui.ShowAlert(AlertKind::Modal, Format(600, "Unable to delete %s!", name.c_str()));
        return false;
    }
    c.view.RemoveRows({path});
    ForgetIncomplete(c.rt.state.profileFolder, path);
    protocol::Outbox out(c.server);
    std::scoped_lock lock(c.sharedList.lock);
    LowerSharedCount(c);
    if (SharedFileRecord* record = c.sharedList.Find(path)) {
        if (c.rt.state.connected) ShowSharingStatus(c);
        if (c.rt.state.connected && record->announced) SendUnshare(c, out, *record);
        c.sharedList.Remove(path);
        SaveSharedListLocked(c);
    }
    return true;
}

}  // namespace

int DeleteLibraryFiles(Library& c, const std::vector<std::string>& paths) {
    int deleted = 0;
    for (const std::string& path : paths) deleted += DeleteLibraryFile(c, path) ? 1 : 0;
    return deleted;
}

}  // namespace tandril::library
