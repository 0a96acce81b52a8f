#include "cli/cli_session.h"

#include <cstdio>

#include "app/client.h"
#include "app/startup.h"
#include "base/settings.h"
#include "base/shared_folders.h"
#include "base/text.h"
#include "cli/terminal_ui.h"
#include "search/search_session.h"
#include "session/result_actions.h"
#include "transfer/download.h"
#include "transfer/transfers.h"

namespace tandril::cli {

namespace {

std::optional<int> Number(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->find_first_not_of("0123456789") != std::string::npos || text->size() > 9) return std::nullopt;
    return std::stoi(*text);
}

}  // namespace

bool ApplyAccountOptions(const FrontEndOptions& options, const std::filesystem::path& profile, TerminalUi& ui) {
    auto user = ExtraOption(options, "user");
    if (!user) return true;
    ConfigStore store(profile);
    AppState state;
    LoadSettings(store, state, ui);
    LoadSharedFolders(store, state);
    state.EditAccount()->userName = *user;
    if (auto password = ExtraOption(options, "password")) state.EditAccount()->password = *password;
    if (auto speed = ExtraOption(options, "line-speed")) {
        auto n = Number(speed);
        if (!n || *n > 10) return ui.Print("--line-speed: a code from 0 to 10"), false;
        state.EditAccount()->lineSpeed = *n;
    }
    if (auto port = ExtraOption(options, "data-port")) {
        auto n = Number(port);
        if (!n || *n > 65534) return ui.Print("--data-port: 0 (firewalled) to 65534"), false;
        state.EditAccount()->dataPort = *n;
    }
    if (auto save = ExtraOption(options, "save")) state.EditSettings()->savePath = *save;
    if (auto share = ExtraOption(options, "share")) {
        state.sharedFolders.clear();
        for (std::size_t start = 0; start <= share->size();) {
            std::size_t end = share->find(':', start);
            if (end == std::string::npos) end = share->size();
            if (end > start) state.sharedFolders.push_back(share->substr(start, end - start));
            start = end + 1;
        }
    }
    if (state.account().password.empty()) return ui.Print("--user needs --password"), false;
    if (auto problem = LoginFieldProblem(state.account().userName, state.account().password)) return ui.Print(*problem), false;
    return SaveSettings(store, state, ui) && SaveSharedFolders(store, state, ui);
}

CliSession::CliSession(Client& client, TerminalUi& ui, const FrontEndOptions& options)
    : client_(client),
      ui_(ui),
      search_(ExtraOption(options, "search")),
      download_(Number(ExtraOption(options, "download"))),
      stream_(Number(ExtraOption(options, "stream"))),
      wait_(Number(ExtraOption(options, "wait")).value_or(kDefaultWaitSeconds)),
      serve_(ExtraOption(options, "serve").has_value() || (!search_ && !ExtraOption(options, "browse"))) {
    connect(&client_.dialog, &ConnectingDialogModel::closed, this, [this](int result) {
        if (result == 1 && client_.state.connected) Online();
    });
    // The models change from worker threads too: their signals are taken where they are emitted
    // and the work handed to this (the GUI) thread through the client's queue.
    const auto direct = Qt::DirectConnection;
    connect(
        &client_.dialog, &ConnectingDialogModel::buttonTextChanged, this,
        [this](const QString& t) {
            // Start-up ended without a connection: the dialog offers only "OK". Nothing can be done
            // offline, whatever was asked.
            if (t == QLatin1String("OK")) client_.PostToGui([this] { End(kOffline); });
        },
        direct);
    connect(
        &client_.search, &search::SearchSession::changed, this,
        [this] {
            client_.PostToGui([this] {
                if (searching_ && client_.search.Idle()) SearchFinished();
            });
        },
        direct);
    // Uploads this user serves, one line each time their status changes.
    connect(
        &client_.transfers.view, &transfer::TransferView::changed, this,
        [this](bool outbound) {
            if (outbound) client_.PostToGui([this] { ShowUploads(); });
        },
        direct);
    progress_.setInterval(1000);
    connect(&progress_, &QTimer::timeout, this, &CliSession::Progress);
}

void CliSession::ShowUploads() {
    for (const transfer::TransferRow& row : client_.transfers.view.Rows(true)) {
        std::string& shown = uploads_[row.rowId];
        if (shown == row.cells[transfer::kStatusColumn]) continue;
        shown = row.cells[transfer::kStatusColumn];
        ui_.Print("[upload] " + row.cells[transfer::kUserColumn] + ": " + row.cells[transfer::kNameColumn] + "  " + shown);
    }
}

void CliSession::Online() {
    if (!search_ || searching_) return;
    searching_ = true;
    ui_.Print("[search] " + *search_);
    search::SearchButton(client_.search, {.artist = *search_});
}

void CliSession::SearchFinished() {
    searching_ = false;
    const search::SearchSession::View v = client_.search.Snapshot();
    for (std::size_t i = 0; i < v.rows.size(); ++i) {
        const search::ResultRow& r = v.rows[i];
        ui_.Print(Format(1200, "%3zu. %-19s %s  (%s bytes, %s kbps, %s)", i + 1, r.user.c_str(), r.name.c_str(), r.size.c_str(),
                         r.bitrate.c_str(), r.length.c_str()));
    }
    ui_.Print("[search] " + v.info);
    const std::optional<int> wanted = stream_ ? stream_ : download_;
    if (!wanted) return v.rows.empty() ? End(kNothingFound) : (serve_ ? void() : End(kDone));
    if (*wanted < 1 || static_cast<std::size_t>(*wanted) > v.rows.size()) {
        ui_.Print(Format(100, "[download] there is no result %d", *wanted));
        return End(kNothingFound);
    }
    const search::SearchResult& chosen = v.results[v.rows[static_cast<std::size_t>(*wanted - 1)].result];
    if (stream_) {
        session::PlayResult(client_.session, chosen);
    } else {
        transfer::StartDownload(client_.transfers, chosen.fileName, chosen.user, chosen.size);
    }
    auto rows = client_.transfers.view.Rows(false);
    if (rows.empty()) return End(stream_ ? kPlayFailed : kDownloadFailed);
    rowId_ = rows.back().rowId;
    if (auto summary = transfer::SummariseTransfer(client_.transfers, false, rowId_)) expectedPath_ = summary->localPath;
    expectedSize_ = chosen.size;
    ui_.Print((stream_ ? "[stream] " : "[download] ") + chosen.fileName + " from " + chosen.user);
    progress_.start();
}

void CliSession::Progress() {
    auto summary = transfer::SummariseTransfer(client_.transfers, false, rowId_);
    // The client may wait for ever on a request nobody answers or a queue that stays full; this
    // front end gives up once no data has come for --wait seconds.
    if (summary && summary->state == transfer::TransferState::Transferring) waited_ = 0;
    if (summary && summary->state != transfer::TransferState::Transferring && ++waited_ > wait_) {
        std::string status;
        for (const transfer::TransferRow& row : client_.transfers.view.Rows(false)) {
            if (row.rowId == rowId_) status = row.cells[transfer::kStatusColumn];
        }
        ui_.Print(Format(300, "[download] gave up after %d seconds: %s", wait_, status.c_str()));
        progress_.stop();
        return End(kDownloadFailed);
    }
    for (const transfer::TransferRow& row : client_.transfers.view.Rows(false)) {
        if (row.rowId != rowId_) continue;
        std::string line = row.cells[transfer::kStatusColumn] + "  " + row.cells[transfer::kSizeColumn];
        if (row.percent >= 0)
            line += Format(64, "  %d%%  %s  %s", row.percent, row.cells[transfer::kRateColumn].c_str(),
                           row.cells[transfer::kTimeLeftColumn].c_str());
        if (line != lastProgress_) ui_.Print((stream_ ? "[stream] " : "[download] ") + line);
        lastProgress_ = line;
    }
    if (stream_) return StreamProgress(summary ? std::optional(summary->state) : std::nullopt);
    if (!summary) {
        // The record went: removed on completion (AutoDelete) or by its worker after a failure.
        std::error_code ec;
        const bool whole = std::filesystem::file_size(expectedPath_, ec) == expectedSize_ && !ec;
        ui_.Print(whole ? "[download] saved as " + expectedPath_ : "[download] failed");
        progress_.stop();
        return whole && serve_ ? void() : End(whole ? kDone : kDownloadFailed);
    }
    if (summary->state == transfer::TransferState::Complete) {
        ui_.Print("[download] saved as " + summary->localPath);
        progress_.stop();
        if (!serve_) End(kDone);
    } else if (summary->state == transfer::TransferState::Error || summary->state == transfer::TransferState::Cancelled) {
        ui_.Print("[download] failed");
        progress_.stop();
        End(kDownloadFailed);
    }
}

void CliSession::StreamProgress(std::optional<transfer::TransferState> state) {
    const std::string readout = client_.panel.TrackInfo() + "  " + client_.panel.Elapsed();
    if (!client_.panel.TrackInfo().empty() && readout != lastReadout_) ui_.Print("[play] " + readout);
    lastReadout_ = readout;
    if (state == transfer::TransferState::Complete) {
        ui_.Print("[stream] played to its end");
        progress_.stop();
        if (!serve_) End(kDone);
    } else if (!state || *state == transfer::TransferState::Error || *state == transfer::TransferState::Cancelled) {
        ui_.Print("[stream] failed");
        progress_.stop();
        End(kPlayFailed);
    }
}

void CliSession::End(int code) {
    result_ = code;
    ExitApplication(client_);
}

}  // namespace tandril::cli
