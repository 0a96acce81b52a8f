#pragma once
// The whole-disk scan that proposes shared folders.

#include <string>
#include <vector>

namespace tandril::library {

struct Library;

// Walks every real disk (from `mountsText`, the form of /proc/self/mounts), reduces the folders
// holding candidates and adds those not yet in `sharedFolders`. Cancelling the connecting dialog
// stops before the next disk and adds nothing.
void ScanDrives(Library& client, std::vector<std::string>& sharedFolders, const std::string& mountsText);
// The same over this machine's mounts.
void ScanDrives(Library& client, std::vector<std::string>& sharedFolders);

}  // namespace tandril::library
