#include "library/library_scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_set>

#include "base/config_store.h"
#include "base/text.h"
#include "library/shared_list.h"

namespace tandril::library {

namespace fs = std::filesystem;

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

std::vector<std::string> ScanTypeNames(const ConfigStore& store) {
    std::vector<std::string> names;
    auto key = store.OpenKey(kFileTypesKey);
    if (!key) return names;
    std::string list = CutText(store.GetValue(*key, "FilesToScan").value_or(""), 512);
    std::stringstream pieces(list);
    for (std::string piece; std::getline(pieces, piece, ';');) names.push_back(piece);
    return names;
}

bool IsExcludedDirectory(const std::string& folder) {
    static const char* const kExcluded[] = {
        "C:\\recycled", "c:\\windows\\tempor~1", "c:\\windows\\temporary internet files", "c:\\recycler", "/proc", "/sys", "/dev", "/run"};
    return std::any_of(std::begin(kExcluded), std::end(kExcluded), [&](const char* e) { return EqualsNoCase(folder, e); });
}

namespace {

// The pending files by path, case ignored: the index holds their positions, not copies of paths.
class PendingIndex {
public:
    explicit PendingIndex(const std::vector<PendingFile>& pending) : pending_(pending) {
        index_.reserve(pending.size());
        for (std::size_t i = 0; i < pending.size(); ++i) index_.insert(i);
    }
    bool Contains(std::string_view path) const { return index_.find(path) != index_.end(); }
    // The file just appended to the pending list.
    void AddLast() { index_.insert(pending_.size() - 1); }

private:
    struct Hash {
        using is_transparent = void;
        const std::vector<PendingFile>* pending;
        std::size_t operator()(std::string_view path) const { return NoCaseHash{}(path); }
        std::size_t operator()(std::size_t i) const { return NoCaseHash{}((*pending)[i].path); }
    };
    struct Equal {
        using is_transparent = void;
        const std::vector<PendingFile>* pending;
        std::string_view Text(std::string_view path) const { return path; }
        std::string_view Text(std::size_t i) const { return (*pending)[i].path; }
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            return NoCaseEqual{}(Text(a), Text(b));
        }
    };
    const std::vector<PendingFile>& pending_;
    std::unordered_set<std::size_t, Hash, Equal> index_{0, Hash{&pending_}, Equal{&pending_}};
};

struct WalkState {
    PendingIndex known;                         // the files already pending, none collected twice
    std::set<std::pair<dev_t, ino_t>> visited;  // folders walked, so that links cannot loop
    std::optional<dev_t> device;                // the disk a scan stays on
};

int Walk(const ScanContext& context, const std::string& folder, std::vector<PendingFile>& pending, WalkState& walk) {
    if (folder.empty() || IsExcludedDirectory(folder)) return 0;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    if (context.stayOnDevice) {
        if (!walk.device) walk.device = st.st_dev;
        if (st.st_dev != *walk.device) return 0;  // another file system is mounted here
    }
    if (!walk.visited.insert({st.st_dev, st.st_ino}).second) return 0;
    std::error_code ec;
    fs::directory_iterator listing(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) return 0;
    // In name order, as the disks of the network's first users listed them: the same tree gives
    // the same folder numbers and the same announcements on every run.
    std::vector<fs::directory_entry> entries;
    for (const fs::directory_entry& entry : listing) entries.push_back(entry);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    int count = 0;
    for (const fs::directory_entry& entry : entries) {
        std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (entry.is_directory(typeError)) {  // a linked folder too: its files are shared under the link's path
            if (!name.starts_with(".")) count += Walk(context, CutText(Join(folder, name), 259), pending, walk);
            continue;
        }
        if (!entry.is_regular_file(typeError)) continue;
        auto dot = name.rfind('.');
        std::string extension = dot == std::string::npos ? name : name.substr(dot);
        const FileType* type = context.fileTypes->FindFileType(extension);
        if (!type || std::none_of(context.scanTypes.begin(), context.scanTypes.end(),
                                  [&](const std::string& n) { return EqualsNoCase(n, type->name); })) {
            continue;
        }
        std::string path = CutText(Join(folder, name), 349);
        if (context.isShared && context.isShared(path)) continue;
        if (walk.known.Contains(path)) continue;
        std::uintmax_t size = entry.file_size(typeError);
        pending.push_back(PendingFile{path, "WMA-FILE", static_cast<std::uint32_t>(size & 0xFFFFFFFFu)});
        walk.known.AddLast();
        ++count;
    }
    return count;
}

}  // namespace

int WalkDirectory(const ScanContext& context, const std::string& folder, std::vector<PendingFile>& pending) {
    if (!context.fileTypes) return 0;
    WalkState walk{PendingIndex(pending), {}, {}};
    return Walk(context, folder, pending, walk);
}

std::optional<std::string> CommonParentFolder(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    if (i == a.size() && i < b.size() && IsSeparator(b[i]) && a.size() >= 4) return a;
    if (i == b.size() && i < a.size() && IsSeparator(a[i]) && b.size() >= 4) return b;
    std::size_t cut = std::min(i, a.size());
    while (cut > 0 && !IsSeparator(a[cut])) --cut;
    if (cut < 4 || cut >= 348) return std::nullopt;
    return a.substr(0, cut);
}

bool MostSubfoldersHaveFiles(const std::string& folder, const std::vector<PendingFile>& pending) {
    if (folder.empty()) return false;
    std::error_code ec;
    fs::directory_iterator listing(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) return false;
    int populated = 0, empty = 0;
    for (const fs::directory_entry& entry : listing) {
        std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (!entry.is_directory(typeError) || name.starts_with(".")) continue;
        std::string prefix = Join(folder, name) + "/";
        bool has = std::any_of(pending.begin(), pending.end(), [&](const PendingFile& p) { return p.path.starts_with(prefix); });
        (has ? populated : empty) += 1;
    }
    return populated >= empty;
}

std::vector<std::string> CollapseScanFolders(const std::vector<PendingFile>& pending) {
    std::vector<std::string> folders;
    for (const PendingFile& p : pending) {
        auto slash = p.path.find_last_of("/\\");
        std::string folder = CutText(p.path.substr(0, slash == std::string::npos ? 0 : slash), 348);
        if (std::none_of(folders.begin(), folders.end(), [&](const std::string& f) { return EqualsNoCase(f, folder); }))
            folders.push_back(folder);
    }
    std::vector<std::string> rejected;
    bool merged = true;
    while (merged) {
        merged = false;
        for (std::size_t ai = 0; ai < folders.size() && !merged; ++ai) {
            for (std::size_t bi = 0; bi < folders.size() && !merged; ++bi) {
                const std::string& a = folders[ai];
                const std::string& b = folders[bi];
                if (a == b) continue;
                auto parent = CommonParentFolder(a, b);
                if (!parent) continue;
                if (std::any_of(rejected.begin(), rejected.end(), [&](const std::string& r) { return EqualsNoCase(r, *parent); })) continue;
                if (MostSubfoldersHaveFiles(*parent, pending)) {
                    std::string keepA = a, keepB = b;
                    std::erase(folders, keepA);
                    std::erase(folders, keepB);
                    folders.push_back(*parent);
                    merged = true;  // start the pass again from the first folder
                } else {
                    rejected.push_back(*parent);
                }
            }
        }
    }
    return folders;
}

namespace {

// Octal escapes of the mounts text ("\040" for a blank) back to their characters.
std::string DecodeMountField(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(field[i + 2])) && std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// The kernel's removable flag of the disk a device ("/dev/sdb1") lives on.
bool KernelSaysRemovable(const std::string& device) {
    if (!device.starts_with("/dev/")) return false;
    std::error_code ec;
    // /sys/class/block/<name> is the partition or the disk; a partition's disk is its parent.
    fs::path node = fs::canonical(fs::path("/sys/class/block") / device.substr(5), ec);
    if (ec) return false;
    for (const fs::path& candidate : {node / "removable", node.parent_path() / "removable"}) {
        std::ifstream flag(candidate);
        char value = 0;
        if (flag >> value) return value == '1';
    }
    return false;
}

}  // namespace

std::vector<std::string> DiskRoots(const std::string& mountsText, const std::function<bool(const std::string&)>& isRemovable) {
    // File systems that live on a local disk; network shares (nfs, cifs, sshfs, ...), virtual and
    // in-memory ones are not among them.
    static const char* const kLocalDisk[] = {"ext2", "ext3",  "ext4",  "xfs",  "btrfs", "f2fs", "jfs",     "reiserfs", "nilfs2",
                                             "vfat", "msdos", "exfat", "ntfs", "ntfs3", "hfs",  "hfsplus", "zfs",      "bcachefs"};
    std::vector<std::string> roots;
    std::stringstream lines(mountsText);
    for (std::string line; std::getline(lines, line);) {
        std::stringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) continue;
        if (std::none_of(std::begin(kLocalDisk), std::end(kLocalDisk), [&](const char* t) { return type == t; })) continue;
        device = DecodeMountField(device);
        mountPoint = DecodeMountField(mountPoint);
        // Where desktops mount removable media, and whatever the kernel says is removable.
        if (mountPoint.starts_with("/media/") || mountPoint.starts_with("/run/media/") || mountPoint == "/media") continue;
        if (isRemovable ? isRemovable(device) : KernelSaysRemovable(device)) continue;
        if (std::find(roots.begin(), roots.end(), mountPoint) == roots.end()) roots.push_back(mountPoint);
    }
    return roots;
}

}  // namespace tandril::library
