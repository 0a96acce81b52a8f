#pragma once
// The shared list: every file the user shares, with the values announced for it, the numbers of
// the folders its virtual names are built from, and the share batch being filled for the server.
// One lock (the library lock) serialises every operation on them; callers hold it throughout.

#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "protocol/server_messages.h"

namespace tandril::library {

inline constexpr std::size_t kMaxSharedPath = 349;
// A share batch (message 870) stays below this many bytes.
inline constexpr std::size_t kShareBatchSize = 2032;

struct SharedFileRecord {
    std::string hash;
    std::string path;  // local, with '/'
    std::uint32_t size = 0;
    std::int32_t bitrate = 0;  // -1: protected, shown "DRM"
    std::int32_t frequency = 0;
    std::int32_t length = 0;
    std::uint32_t folderNumber = 0;  // 0: not yet assigned
    bool announced = false;          // in a share message of the current connection
    bool listed = false;             // has a row in the library view
};

// The name under which other users see a file: its last two path components joined by '\' when
// the path has at least three separators, else just the file name.
std::string ShareName(std::string_view path);
// The path without its share name, ending in '/'.
std::string FolderPart(std::string_view path);
// Where the share name begins in the path.
std::size_t ShareNameStart(std::string_view path);
// The file as a share batch names it: by its share name, with its values.
protocol::SharedEntry ShareEntry(const SharedFileRecord& record);

// shared.dat: one line per file, "\"path\" hash size bitrate frequency length".
std::string SharedDatLine(const SharedFileRecord& record);
// Blank-separated tokens; one that begins with '"' runs to the next '"'. The line is cut at its
// first CR or LF and trimmed first.
std::vector<std::string> SharedDatTokens(std::string_view line);
// The same tokens as views into the line, at most `max` of them; returns how many.
std::size_t SharedDatTokenViews(std::string_view line, std::string_view* tokens, std::size_t max);
// Appends the shared.dat line of a record to `text`.
void AppendSharedDatLine(std::string& text, const SharedFileRecord& record);

// Hashing and comparing paths with ASCII case ignored, so that a table can be searched by a path
// without a lower-case copy of it.
struct NoCaseHash {
    std::size_t operator()(std::string_view text) const;
};
struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

// Folder numbers for virtual names: handed out from 1 and never reused during a run.
class FolderIndexTable {
public:
    std::uint32_t Assign(std::string_view folder);
    const std::string* Folder(std::uint32_t number) const;

private:
    // Folder n is folders_[n - 1]; the index finds a folder's number by its path, case ignored.
    struct ByFolderHash {
        using is_transparent = void;
        const FolderIndexTable* table;
        std::size_t operator()(std::string_view folder) const { return NoCaseHash{}(folder); }
        std::size_t operator()(std::uint32_t number) const { return NoCaseHash{}(table->folders_[number - 1]); }
    };
    struct ByFolderEqual {
        using is_transparent = void;
        const FolderIndexTable* table;
        std::string_view Text(std::string_view folder) const { return folder; }
        std::string_view Text(std::uint32_t number) const { return table->folders_[number - 1]; }
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            return NoCaseEqual{}(Text(a), Text(b));
        }
    };
    std::vector<std::string> folders_;
    std::unordered_set<std::uint32_t, ByFolderHash, ByFolderEqual> byFolder_{0, ByFolderHash{this}, ByFolderEqual{this}};

public:
    FolderIndexTable() = default;
    FolderIndexTable(const FolderIndexTable&) = delete;
    FolderIndexTable& operator=(const FolderIndexTable&) = delete;
};

// The share batch: the files of one folder, sent (870) before the payload would reach
// kShareBatchSize bytes or before a file of another folder joins it.
class ShareBatch {
public:
    using Send = std::function<void(const protocol::ShareFolder& batch)>;
    // `send` is empty when nothing may be sent (no upload slots): a full batch is then dropped.
    void Add(const std::string& folder, const protocol::SharedEntry& file, const Send& send);
    void Flush(const Send& send);
    void Clear();
    // The payload the batch would go out with; empty when nothing waits.
    std::string Text() const { return open_ ? batch_.Encode() : std::string(); }

private:
    protocol::ShareFolder batch_;
    bool open_ = false;
    bool windows1252_ = true;
    std::size_t size_ = 0;  // of the payload on the wire
};

class SharedList {
public:
    using Records = std::list<SharedFileRecord>;

    // The library lock.
    std::mutex lock;
    FolderIndexTable folders;
    ShareBatch batch;

    Records& records() { return records_; }
    std::size_t size() const { return records_.size(); }
    // By path, case ignored.
    SharedFileRecord* Find(std::string_view path);
    // By the path a peer's request resolves to: the path itself, or the wire form of a path whose
    // bytes are not all UTF-8 (the request names the file as it was announced).
    SharedFileRecord* FindAsAnnounced(std::string_view path);
    SharedFileRecord& Append(SharedFileRecord record);
    void Remove(std::string_view path);
    void Rename(SharedFileRecord& record, std::string newPath);

    // Gives the record's folder its number, once: the folder's entry in the table, or a new one.
    void AssignFolderNumber(SharedFileRecord& record);
    // Numbers the record's folder (when not done yet) and gives its virtual name,
    // "n:\n\share name".
    std::string VirtualName(SharedFileRecord& record);
    // "n:\n\": the part of the virtual name before the share name.
    std::string FolderPrefix(SharedFileRecord& record);
    // "n:\n\rest" back to the folder's path and the rest (with '/'); anything else unchanged.
    std::string ResolveVirtualName(const std::string& name) const;

private:
    static std::string Key(std::string_view path);
    void Index(Records::iterator record);
    void Unindex(Records::iterator record);
    // The path index keeps the records' own positions and hashes and compares their paths with
    // case ignored: no second copy of any path.
    struct ByPathHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view path) const { return NoCaseHash{}(path); }
        std::size_t operator()(Records::iterator record) const { return NoCaseHash{}(record->path); }
    };
    struct ByPathEqual {
        using is_transparent = void;
        static std::string_view Text(std::string_view path) { return path; }
        static std::string_view Text(Records::iterator record) { return record->path; }
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            return NoCaseEqual{}(Text(a), Text(b));
        }
    };
    Records records_;
    std::unordered_set<Records::iterator, ByPathHash, ByPathEqual> byPath_;
    // Only the paths that read differently after a trip over the wire.
    std::unordered_map<std::string, Records::iterator> byWireForm_;
};

}  // namespace tandril::library
