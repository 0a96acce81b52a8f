#include "library/scan_drives.h"

#include <algorithm>

#include "base/text.h"
#include "library/library.h"
#include "library/library_scan.h"
#include "platform/atomic_file.h"

namespace tandril::library {

void ScanDrives(Library& client, std::vector<std::string>& sharedFolders, const std::string& mountsText) {
    client.rt.dialog.SetDialogVisible(true);
    client.rt.dialog.SetStatus("Searching for files...");
    std::error_code ec;
    std::filesystem::remove(client.rt.state.profileFolder / "shared.dat", ec);
    ScanContext context{&client.fileTypes, ScanTypeNames(client.rt.store), {}, true};
    std::vector<PendingFile> pending;
    for (const std::string& root : DiskRoots(mountsText)) {
        client.rt.dialog.SetSecondLine(Format(255, "Scanning drive %s...", root.c_str()));
        if (client.rt.state.connectCancelled) break;
        WalkDirectory(context, root, pending);
    }
    std::vector<std::string> proposed = CollapseScanFolders(pending);
    if (!client.rt.state.connectCancelled) {
        for (const std::string& folder : proposed) {
            bool known =
                std::any_of(sharedFolders.begin(), sharedFolders.end(), [&](const std::string& f) { return EqualsNoCase(f, folder); });
            if (!known) sharedFolders.push_back(folder);
        }
    }
    client.rt.dialog.SetSecondLine("");
}

void ScanDrives(Library& client, std::vector<std::string>& sharedFolders) {
    ScanDrives(client, sharedFolders, platform::ReadWholeFile("/proc/self/mounts").value_or(""));
}

}  // namespace tandril::library
