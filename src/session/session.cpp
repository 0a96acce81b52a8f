#include "session/session.h"

#include "base/text.h"
#include "library/my_files.h"
#include "transfer/download_queue.h"

namespace tandril::session {

void RunConnectingDialog(Session& s, std::function<void(Session&)> worker) {
    s.rt.state.connectCancelled = false;
    s.rt.dialog.MarkOpen();
    s.rt.StartWorker([&s, worker = std::move(worker)] { worker(s); });
}

void GoOnline(Session& c) {
    ConnectingDialogModel& d = c.rt.dialog;
    c.link.EnableServerNotifications();
    d.SetStatus("Logged in! Sharing Files...");
    library::AnnounceSharedFiles(c.library, true);
    c.rt.SetStatusText(
        0, Format(99, "Online (%s): Sharing %d files.", c.rt.state.account().userName.c_str(), c.rt.state.sharedFileCount.load()));
    d.SetStatus("Starting Application!");
    transfer::RestartTransfersAfterLogin(c.transfers);
    c.rt.main.SetPagesVisible(true);
    d.PostClose(1);
    if (c.rt.state.accountOrigin != 0) {
        c.channels.list.Open();
    } else if (c.rt.state.settings().autoJoin) {
        c.channels.AutoJoinChannels();
    }
}

}  // namespace tandril::session
