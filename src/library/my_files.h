#pragma once
// The library as the client runs it: built at start-up from shared.dat and the shared folders,
// announced to the server after each login, kept in step when folders change, downloads
// complete, or the user renames or deletes a file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_scan.h"

namespace tandril::library {

struct Library;

// Start-up: shared.dat (lines that still match their files), then the walk of every shared
// folder for new files, their inspection, and the library view.
void BuildMyFiles(Library& client);
// Inspects the pending files (on every core), moves the accepted ones to the shared list and
// returns how many; shows its progress in the connecting dialog.
int LoadNewFiles(Library& client, std::vector<PendingFile>& pending);
// Walks every shared folder and the save folder for files not yet shared.
int RescanSharedFolders(Library& client, std::vector<PendingFile>& pending);
// Rewrites shared.dat from the shared list; false when it could not be written.
bool SaveSharedList(Library& client);

// Inside a shared folder, or inside the save folder when its files are shared (compared with case).
bool IsInSharedFolder(Library& client, std::string_view path);

// Tells the server about every file not yet announced in this connection. Nothing when the
// upload slots are below 1 (the count is then 0). Returns 1 when it announced.
int AnnounceSharedFiles(Library& client, bool withDialog);
// Withdraws every announced file (102 each).
void UnshareAllFiles(Library& client);
// The connection ended: nothing is announced any more and the batch is dropped.
void ForgetAnnouncements(Library& client);
// Drops the files that are gone or no longer in a shared folder.
void PruneSharedList(Library& client);
// A download has all its bytes: share it when downloads are shared and an inspector takes it.
void InspectDownloadedFile(Library& client, const std::string& path, std::uint32_t size);
// Adds a row to the library view for every file that has none yet.
void RefreshLibraryView(Library& client);
// The shared folders changed (or the user asked for a refresh): prune, walk, load, announce,
// with the connecting dialog's texts. Runs on a worker.
void ReloadSharedFiles(Library& client);

// What the server calls a file, and back to the local path ("n:\n\..." only).
std::string VirtualName(Library& client, const std::string& path);
std::string ResolveVirtualName(Library& client, const std::string& name);

// The library view's actions. `newName` is without extension; false when nothing changed.
bool RenameLibraryFile(Library& client, const std::string& path, const std::string& newName);
// Each file, after its own question, from the disk and the library; returns how many went.
int DeleteLibraryFiles(Library& client, const std::vector<std::string>& paths);

// "Online (user): Sharing n files."
void ShowSharingStatus(Library& client);

}  // namespace tandril::library
