#include "cli/resume_files.h"

#include "app/client.h"
#include "app/startup.h"
#include "cli/cli_session.h"
#include "cli/terminal_ui.h"
#include "transfer/resume.h"
#include "transfer/transfers.h"

namespace tandril::cli {

ResumeFiles::ResumeFiles(Client& client, TerminalUi& ui) : client_(client), ui_(ui) {
    connect(&client_.dialog, &ConnectingDialogModel::closed, this, [this](int result) {
        if (result == 1 && client_.state.connected) Start();
    });
    connect(&poll_, &QTimer::timeout, this, &ResumeFiles::Check);
}

void ResumeFiles::Start() {
    const auto entries = client_.transfers.incomplete.Clean();
    if (entries.empty()) {
        ui_.Print("[resume] nothing to resume");
        ExitApplication(client_);
        return;
    }
    transfer::RequestResume(client_.transfers, entries);
    {
        auto lock = client_.transfers.lists.Take(false);
        for (auto& r : client_.transfers.lists.Of(lock, false)) {
            if (r->state == transfer::TransferState::Resuming) pending_[r->rowId] = r->remoteName;
        }
    }
    for (const auto& [id, name] : pending_) ui_.Print("[resume] " + name + ": asking for sources");
    poll_.start(200);
}

void ResumeFiles::Check() {
    std::vector<std::pair<std::string, std::string>> ended;
    {
        auto lock = client_.transfers.lists.Take(false);
        for (auto it = pending_.begin(); it != pending_.end();) {
            transfer::TransferRecord* r = client_.transfers.lists.FindByRowId(lock, false, it->first);
            if (r && !transfer::IsTransferFinished(*r)) {
                ++it;
                continue;
            }
            std::string status = "File Complete!";
            if (r) {
                for (const auto& row : client_.transfers.view.Rows(false)) {
                    if (row.rowId == r->rowId) status = row.cells[transfer::kStatusColumn];
                }
                if (r->state != transfer::TransferState::Complete) result_ = kDownloadFailed;
                if (r->state == transfer::TransferState::Complete) status += " (from " + r->nick + ", " + r->localPath + ")";
            }
            ended.emplace_back(it->second, status);
            it = pending_.erase(it);
        }
    }
    for (const auto& [name, status] : ended) ui_.Print("[resume] " + name + ": " + status);
    if (pending_.empty()) {
        poll_.stop();
        ExitApplication(client_);
    }
}

}  // namespace tandril::cli
