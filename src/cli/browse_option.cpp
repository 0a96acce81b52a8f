#include "cli/browse_option.h"

#include "app/client.h"
#include "app/startup.h"
#include "browse/browse.h"
#include "cli/cli_session.h"
#include "cli/terminal_ui.h"

namespace tandril::cli {

BrowseOption::BrowseOption(Client& client, TerminalUi& ui, std::string user) : client_(client), ui_(ui), user_(std::move(user)) {
    connect(&client_.dialog, &ConnectingDialogModel::closed, this, [this](int result) {
        if (result != 1 || !client_.state.connected || started_) return;
        started_ = true;
        browse::ViewFiles(client_.browse, user_);
    });
    // The view changes on workers too: the signal is taken where it is emitted and the reading
    // handed to the GUI thread through the client's queue (nothing crosses threads through Qt's).
    connect(
        &client_.browse.view, &browse::BrowseView::changed, this, [this] { client_.PostToGui([this] { Shown(); }); }, Qt::DirectConnection);
}

void BrowseOption::Shown() {
    if (!started_ || ended_) return;
    const browse::BrowseRecords records = client_.browse.view.Records();
    const std::string status = client_.browse.view.Status();
    if (records->empty()) {
        if (status.empty()) return;
        ui_.Print("[browse] " + status);
        if (status == "No Files Shared.") return End(kNothingFound);
        if (status == "User is not properly configured." || status == "Query timed out." || status == "Disconnected from user.") {
            return End(kDownloadFailed);
        }
        return;  // "Populating list ...", "Direct browse failed. Requesting from server...": more follows
    }
    for (const browse::BrowseRecord& r : *records) {
        ui_.Print("[browse] \"" + r.name + "\" " + browse::BrowseSizeText(r) + " " + browse::BrowseValueText(r.bitrate) + " " +
                  browse::BrowseValueText(r.frequency) + " " + browse::BrowseLengthText(r));
    }
    ui_.Print("[browse] " + std::to_string(records->size()) + " files from " + user_);
    End(kDone);
}

void BrowseOption::End(int code) {
    ended_ = true;
    result_ = code;
    ExitApplication(client_);
}

}  // namespace tandril::cli
