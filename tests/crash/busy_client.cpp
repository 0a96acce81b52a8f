// A client that never stops writing: its settings and shared.dat are rewritten back and forth
// between two versions while a file downloads again and again. The kill test ends it with SIGKILL
// at random moments and checks what it left on disk.
//   busy_client WORK    WORK holds song.mp3; the client's profile is WORK/profile and survives kills
// Writes WORK/reference/ready once it started (settings and shared list read back), logged in, and wrote the
// two versions' reference copies to WORK/reference; exits 3 when it cannot start.
#include <QCoreApplication>
#include <filesystem>
#include <fstream>

#include "app/client.h"
#include "app/startup.h"
#include "base/settings.h"
#include "base/shared_folders.h"
#include "devserver/dev_server.h"
#include "library/my_files.h"
#include "support/network_user.h"
#include "support/scripted_ui.h"
#include "transfer/download.h"
#include "transfer/transfers.h"

using namespace tandril;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kRecords = 3000;

// Version 0 or 1 of what the client keeps: a few settings, and a shared list of kRecords files.
void ApplyVersion(Client& c, int version) {
    c.state.EditSettings()->maxUploads = 2 + version;
    c.state.EditSettings()->lastPlayList = std::string(200, version ? 'b' : 'a') + ".m3u";
    std::scoped_lock lock(c.library.sharedList.lock);
    auto& list = c.library.sharedList;
    while (list.size() > 0) list.Remove(std::string(list.records().front().path));
    for (int i = 0; i < kRecords; ++i) {
        library::SharedFileRecord r;
        r.path = "/music/version " + std::to_string(version) + "/track " + std::to_string(i) + ".mp3";
        r.hash = "0123456789abcdef0123456789abcdef-" + std::to_string(i);
        r.size = 1000 + i;
        r.bitrate = 128;
        r.frequency = 44100;
        r.length = 60;
        list.Append(r);
    }
}

bool WriteVersion(Client& c, int version, UiPort& ui) {
    ApplyVersion(c, version);
    return SaveSettings(c.store, c.state, ui) && library::SaveSharedList(c.library);
}

// Copies each file as "<name>.<version>".
void CopyReferences(Client& c, const fs::path& to, int version) {
    fs::create_directories(to);
    for (const fs::path& from : {c.store.FileOf(Hive::Machine), c.store.FileOf(Hive::User), c.state.profileFolder / "shared.dat"}) {
        if (fs::exists(from))
            fs::copy_file(from, to / (from.filename().string() + "." + std::to_string(version)), fs::copy_options::overwrite_existing);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    const fs::path work = argv[1];
    devserver::DevServer server;
    if (!server.Ok()) return 3;
    fs::create_directories(work / "music");
    std::error_code ec;
    fs::copy_file(work / "song.mp3", work / "music" / "song.mp3", fs::copy_options::skip_existing, ec);
    test::NetworkUser ann{server, "ann", {.folders = {(work / "music").string()}, .dataPort = test::FreePort(), .timeScale = 0.05}};

    const fs::path profile = work / "profile";
    const bool firstRun = !fs::exists(profile);
    fs::create_directories(profile);
    ClientOptions options{profile};
    options.endpoints.primaryRedirector = options.endpoints.fallbackRedirector = "127.0.0.1";
    options.endpoints.redirectorPort = server.RedirectorPort();
    options.timeScale = 0.05;
    test::ScriptedUi ui;
    Client bob(ui, options);
    ui.Watch(bob);
    if (firstRun) {
        AppState s;
        s.EditAccount()->userName = "bob";
        s.EditAccount()->password = "pw";
        s.EditAccount()->lineSpeed = 10;
        s.EditSettings()->savePath = (work / "downloads").string();
        if (!SaveSettings(bob.store, s, ui) || !SaveSharedFolders(bob.store, s, ui)) return 3;
    }
    if (!ann.GoOnline(server)) return 3;
    StartClient(bob, {});
    // Starting reads the settings and shared.dat a kill left behind.
    if (!test::RunUntil([&] { return !bob.dialog.IsOpen(); }, 20s) || !bob.state.connected || !bob.store.Problems().empty()) return 3;
    if (!test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }, 20s)) return 3;
    const devserver::SharedFile song = server.SharedFilesOf("ann").front();
    const fs::path saved = fs::path(bob.state.settings().savePath) / "song.mp3";

    for (int version : {0, 1}) {
        if (!WriteVersion(bob, version, ui)) return 3;
        CopyReferences(bob, work / "reference", version);
    }
    std::ofstream(work / "reference" / "ready").put('1');

    for (int version = 0;; version ^= 1) {
        WriteVersion(bob, version, ui);
        bool idle = false;
        {
            auto lock = bob.transfers.lists.Take(false);
            auto& list = bob.transfers.lists.Of(lock, false);
            idle = list.empty() || transfer::IsTransferFinished(*list.front());
        }
        if (idle) {
            transfer::ClearFinishedTransfers(bob.transfers);
            fs::remove(saved, ec);
            transfer::StartDownload(bob.transfers, song.virtualName, "ann", song.size);
        }
        test::RunUntil([] { return false; }, 2ms);
    }
}
