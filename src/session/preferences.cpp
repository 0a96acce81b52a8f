#include "session/preferences.h"

#include "base/shared_folders.h"
#include "base/text.h"
#include "library/my_files.h"
#include "library/scan_drives.h"
#include "session/account.h"
#include "session/account_changes.h"
#include "session/session.h"
#include "transfer/data_port.h"
#include "transfer/download_queue.h"

namespace tandril::session {

namespace {

constexpr const char* kDefaultPlayer = "Default";

std::string Field(const std::string& text, std::size_t max) {
    return std::string(Trim(CutText(text, max)));
}

}  // namespace

PersonalPage CurrentPersonalPage(Session& c) {
    const Account a = c.rt.state.account();
    return {a.userName, a.email, a.password, a.lineSpeed, c.rt.state.settings().player == kDefaultPlayer};
}

ChatPage CurrentChatPage(Session& c) {
    const Settings s = c.rt.state.settings();
    return {s.instantMessaging, s.swearFilter, s.autoJoin, s.displayJoinPart};
}

SharingPage CurrentSharingPage(Session& c) {
    return {SharedFolderList(c.rt.state), std::to_string(c.rt.state.settings().maxUploads), std::to_string(c.rt.state.account().dataPort)};
}

DownloadPage CurrentDownloadPage(Session& c) {
    const Settings s = c.rt.state.settings();
    DownloadPage page{{}, s.partialAction, s.autoDelete, std::to_string(s.maxDownloads)};
    if (!s.savePath.empty()) page.tickedFolders.push_back(s.savePath);
    return page;
}

PageResult ApplyPersonalPage(Session& c, const PersonalPage& page) {
    const std::string email = Field(page.email, kMaxEmail);
    const std::string password = Field(page.password, kMaxPassword);
    // Every field is checked before anything is changed, so that a refused page changed nothing.
    if (email.empty()) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "You must specify an email address!");
        return PageResult::Stay;
    }
    if (password.empty()) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "You must specify a password!");
        return PageResult::Stay;
    }
    const Account before = c.rt.state.account();
    if (email != before.email) ChangeEmail(c, email);
    if (password != before.password) ChangePassword(c, password);
    c.rt.state.EditSettings()->player = page.defaultPlayer ? kDefaultPlayer : kInternalPlayer;
    if (page.lineSpeed != before.lineSpeed) SetLineSpeed(c, page.lineSpeed);
    return PageResult::Accepted;
}

PageResult ApplyChatPage(Session& c, const ChatPage& page) {
    auto s = c.rt.state.EditSettings();
    s->instantMessaging = page.separateMessageWindow;
    s->swearFilter = page.swearFilter;
    s->autoJoin = page.autoJoin;
    s->displayJoinPart = page.displayJoinPart;
    return PageResult::Accepted;
}

PageResult ApplySharingPage(Session& c, PreferencesSheet& sheet, const SharingPage& page) {
    const std::string uploadsText = Field(page.maxUploads, 48);
    const std::string portText = Field(page.dataPort, 48);
    if (uploadsText.empty()) {
        c.rt.ui.ShowAlert(AlertKind::Modal,
                          "You must specify a max outbound transfers value.  If you wish to disable file sharing, set your max "
                          "outbound transfers to 0.");
        return PageResult::Stay;
    }
    if (portText.empty()) {
        c.rt.ui.ShowAlert(AlertKind::Modal,
                          "You must specify a dataport on which to share files.  If you wish to disable file sharing, set your max "
                          "outbound transfers to 0.");
        return PageResult::Stay;
    }
    if (RemoveFoldersNotIn(c.rt.state, page.tickedFolders)) sheet.sharedFoldersChanged = true;

    const long long uploads = DecimalValue(uploadsText);
    const int current = c.rt.state.settings().maxUploads;
    if (uploads < 1 && current > 0) {
        Answer a =
            c.rt.ui.Ask({"Setting your max uploads to 0 makes it impossible for others to download your shared files.  Are you "
                         "sure you want to do this?",
                         "File server shut down", Buttons::YesNo, Icon::Exclamation});
        if (a == Answer::Yes) {
            c.rt.state.EditSettings()->maxUploads = 0;
            library::UnshareAllFiles(c.library);
        }
    } else if (uploads >= 1) {
        c.rt.state.EditSettings()->maxUploads = static_cast<int>(std::min<long long>(uploads, 1000000));
        if (current < 1) library::AnnounceSharedFiles(c.library, false);
    } else {
        c.rt.state.EditSettings()->maxUploads = 0;
    }

    const long long port = DecimalValue(portText);
    if (port != c.rt.state.account().dataPort) transfer::SetDataPort(c.transfers, port);
    return PageResult::Accepted;
}

PageResult ApplyDownloadPage(Session& c, PreferencesSheet& sheet, const DownloadPage& page) {
    const std::string downloadsText = Field(page.maxDownloads, 48);
    if (downloadsText.empty()) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "You must enter a max simulanteous download count!");
        return PageResult::Stay;
    }
    const long long downloads = DecimalValue(downloadsText);
    if (downloads < 1) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "You cannot set your max downloads < 1!");
        return PageResult::Stay;
    }
    const std::string current = c.rt.state.settings().savePath;
    if (page.tickedFolders.empty()) {
        const std::string myFiles = (c.rt.state.profileFolder / kDefaultSaveFolderName).string();
        Answer a =
            c.rt.ui.Ask({Format(511, "You did not choose a save folder!  Would you like to use '%s' as your folder to save new files?",
                                myFiles.c_str()),
                         "Save folder not specified!", Buttons::YesNo, Icon::Question});
        if (a != Answer::Yes) return PageResult::Stay;
        // An empty save folder is "My Files", made when a download needs it.
        SetSaveFolder(c.rt.state, c.rt.ui, std::nullopt);
        if (!current.empty()) sheet.sharedFoldersChanged = true;
    } else if (!EqualsNoCase(page.tickedFolders.front(), current)) {
        SetSaveFolder(c.rt.state, c.rt.ui, page.tickedFolders.front());
        sheet.sharedFoldersChanged = true;
    }
    {
        auto s = c.rt.state.EditSettings();
        s->partialAction = page.partialAction;
        s->autoDelete = page.autoDelete;
        s->maxDownloads = static_cast<int>(std::min<long long>(downloads, 1000000));
    }
    transfer::StartQueuedDownloadsThatFit(c.transfers);
    return PageResult::Accepted;
}

PageResult ApplyProxyPage(Session& c, const ProxyForm& page) {
    const ProxyForm current = CurrentProxyForm(c);
    const bool same =
        page.choice == current.choice &&
        (page.choice == 0 || (Trim(page.server) == current.server && Trim(page.port) == current.port && Trim(page.user) == current.user &&
                              Trim(page.password) == current.password && page.transfersThroughProxy == current.transfersThroughProxy));
    if (same) return PageResult::Accepted;
    return ApplyProxySettings(c, page) == 0 ? PageResult::Accepted : PageResult::Stay;
}

void StartDiskScan(Session& c, std::shared_ptr<PreferencesSheet> sheet, std::function<void(std::vector<std::string>)> showFolders,
                   std::optional<std::string> mountsText) {
    RunConnectingDialog(c,
                        [sheet = std::move(sheet), showFolders = std::move(showFolders), mountsText = std::move(mountsText)](Session& s) {
                            // The dialog is open before the worker starts; a dialog that never shows ends the scan.
                            for (int waited = 0; !s.rt.dialog.IsOpen(); ++waited) {
                                if (waited >= 5 || s.rt.state.quitting) return;
                                s.rt.Sleep(std::chrono::seconds(1));
                            }
                            std::vector<std::string> folders = SharedFolderList(s.rt.state);
                            if (mountsText) {
                                library::ScanDrives(s.library, folders, *mountsText);
                            } else {
                                library::ScanDrives(s.library, folders);
                            }
                            for (const std::string& folder : folders) AddSharedFolder(s.rt.state, folder);
                            sheet->sharedFoldersChanged = true;
                            s.rt.PostToGui([&s, showFolders] { showFolders(SharedFolderList(s.rt.state)); });
                            s.rt.dialog.PostClose(1);
                        });
}

void ClosePreferences(Session& c, PreferencesSheet& sheet) {
    if (!sheet.closedWithOk) return;
    if (sheet.sharedFoldersChanged.exchange(false)) RunConnectingDialog(c, [](Session& s) { library::ReloadSharedFiles(s.library); });
    SaveAccount(c);
    ApplyColorScheme(c, c.rt.state.settings().currentScheme);
}

}  // namespace tandril::session
