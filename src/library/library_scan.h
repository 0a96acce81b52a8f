#pragma once
// Finding the files to share: the recursive walk of a shared folder, and the whole-disk scan that
// proposes folders to share.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "library/file_types.h"

namespace tandril::library {

// A file found by a walk and not yet inspected.
struct PendingFile {
    std::string path;               // at most 349 characters
    std::string hash = "WMA-FILE";  // the placeholder until it is inspected
    std::uint32_t size = 0;         // the low 32 bits of the file's size
};

struct ScanContext {
    const FileTypeTable* fileTypes = nullptr;
    // The names of "FilesToScan".
    std::vector<std::string> scanTypes;
    // True for a path the shared list already holds.
    std::function<bool(const std::string&)> isShared;
    // A disk scan stays on the disk it started on: a folder where another file system is mounted
    // is left alone (it is scanned as its own disk, or not at all).
    bool stayOnDevice = false;
};

// "FilesToScan" from the store, split at ';'.
std::vector<std::string> ScanTypeNames(const ConfigStore& store);

bool IsExcludedDirectory(const std::string& folder);
// Walks `folder` and everything below it; returns how many candidates it added to `pending`.
// Linked folders are followed; each folder is walked once (by device and inode), so a link loop
// ends.
int WalkDirectory(const ScanContext& context, const std::string& folder, std::vector<PendingFile>& pending);

// The deepest folder that holds both `a` and `b`, when it has at least 4 characters.
std::optional<std::string> CommonParentFolder(const std::string& a, const std::string& b);
bool MostSubfoldersHaveFiles(const std::string& folder, const std::vector<PendingFile>& pending);
// The folders that hold the pending files, merged into common parents where most subfolders hold
// candidates.
std::vector<std::string> CollapseScanFolders(const std::vector<PendingFile>& pending);

// The mount points of local fixed disks in a mounts text (the form of /proc/self/mounts): file
// systems that live on a local disk, not network shares, not virtual ones, and not removable media
// (`isRemovable` is asked about the device; by default the kernel's removable flag of its disk).
std::vector<std::string> DiskRoots(const std::string& mountsText, const std::function<bool(const std::string& device)>& isRemovable = {});

}  // namespace tandril::library
