#pragma once
// "Tandril Preferences": what each page's apply does with what was typed, and what closing the
// sheet sets in motion. The sheet's widgets only gather the fields and show the result; every rule,
// question and message is here, so that it runs the same without widgets.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/proxy_settings.h"

namespace tandril::session {

struct Session;

// A page that refuses keeps the sheet open, with what was typed left as it was.
enum class PageResult { Accepted, Stay };

// One opening of the sheet.
struct PreferencesSheet {
    bool closedWithOk = false;
    // The folder list or the save folder changed (a scan sets it from its worker).
    std::atomic<bool> sharedFoldersChanged{false};
};

// "Personnel".
struct PersonalPage {
    std::string userName;  // shown, not edited
    std::string email;
    std::string password;
    int lineSpeed = 0;
    bool defaultPlayer = false;  // "Default Media Player" rather than "Tandril Internal Player"
};
// "Discussion".
struct ChatPage {
    bool separateMessageWindow = true;
    bool swearFilter = false;
    bool autoJoin = false;
    bool displayJoinPart = true;
};
// "Partage".
struct SharingPage {
    std::vector<std::string> tickedFolders;
    std::string maxUploads;
    std::string dataPort;
};
// "Téléchargement".
struct DownloadPage {
    std::vector<std::string> tickedFolders;  // the first one is the save folder
    int partialAction = 1;                   // "Yes", "No", "Prompt me"
    bool autoDelete = false;
    std::string maxDownloads;
};

// The pages as the settings stand, to fill the sheet.
PersonalPage CurrentPersonalPage(Session& client);
ChatPage CurrentChatPage(Session& client);
SharingPage CurrentSharingPage(Session& client);
DownloadPage CurrentDownloadPage(Session& client);

PageResult ApplyPersonalPage(Session& client, const PersonalPage& page);
PageResult ApplyChatPage(Session& client, const ChatPage& page);
PageResult ApplySharingPage(Session& client, PreferencesSheet& sheet, const SharingPage& page);
PageResult ApplyDownloadPage(Session& client, PreferencesSheet& sheet, const DownloadPage& page);
// "Paramètres du Proxy": only a form that differs from the settings is applied.
PageResult ApplyProxyPage(Session& client, const ProxyForm& page);

// "&Démarrer!": scans the disks on a worker of its own inside the connecting dialog (progress and
// "Annuler" are the dialog's), adds the folders found to the shared folders, hands the new list to
// `showFolders` on the GUI thread and closes the dialog. `mountsText` stands for /proc/self/mounts.
// The sheet is shared: a cancelled scan finishes its disk after the sheet may have closed.
void StartDiskScan(Session& client, std::shared_ptr<PreferencesSheet> sheet, std::function<void(std::vector<std::string>)> showFolders,
                   std::optional<std::string> mountsText = std::nullopt);

// The sheet closed (GUI thread). With OK: changed folders are pruned, rescanned, loaded and
// announced in the connecting dialog; the settings are saved; the chosen colour scheme is applied.
void ClosePreferences(Session& client, PreferencesSheet& sheet);

}  // namespace tandril::session
