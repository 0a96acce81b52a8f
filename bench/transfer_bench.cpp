// One file from an uploader's data port to a downloader's save folder on loopback, through the
// whole peer protocol (listener, GET, size reply, the data phase, the file written), against a
// baseline that moves the same bytes with sendfile() and a plain read/write loop.
//
//   build/release/bench/transfer_bench [megabytes, 256] [runs, 9]

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "app/client.h"
#include "platform/socket.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"
#include "transfer/data_port.h"
#include "transfer/download.h"
#include "transfer/transfers.h"

using namespace tandril;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Baseline(const fs::path& source, const fs::path& target, std::uint64_t size) {
    platform::Socket listening = platform::ListenTcp(0, true);
    const auto port = platform::LocalPort(listening);
    const auto start = Clock::now();
    std::thread sender([&] {
        platform::Socket peer(::accept(listening.fd(), nullptr, nullptr));
        platform::SetBuffers(peer.fd(), 65536);
        int in = ::open(source.c_str(), O_RDONLY);
        off_t offset = 0;
        while (static_cast<std::uint64_t>(offset) < size &&
               ::sendfile(peer.fd(), in, &offset, size - static_cast<std::uint64_t>(offset)) > 0) {
        }
        ::close(in);
    });
    platform::Socket s;
    platform::ConnectBlocking({0x7F000001, port}, std::chrono::seconds(2), s);
    platform::SetBuffers(s.fd(), 65536);
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block(64 * 1024);
    std::uint64_t got = 0;
    for (ssize_t n; got < size && (n = ::recv(s.fd(), block.data(), block.size(), 0)) > 0; got += static_cast<std::uint64_t>(n)) {
        if (::write(out, block.data(), static_cast<std::size_t>(n)) != n) break;
    }
    ::close(out);
    sender.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ThroughTheClient(const fs::path& source, const fs::path& saveFolder, std::uint32_t size) {
    test::TestProfile upProfile, downProfile;
    test::ScriptedUi upUi, downUi;
    Client uploader(upUi, ClientOptions{upProfile.path()});
    Client downloader(downUi, ClientOptions{downProfile.path()});
    // The uploader shares the file and has accepted bob's request for it.
    {
        platform::Socket probe = platform::ListenTcp(0, true);
        uploader.state.EditAccount()->dataPort = platform::LocalPort(probe);
    }
    transfer::StartDataPortListener(uploader.transfers);
    std::string virtualName;
    {
        std::scoped_lock lock(uploader.library.sharedList.lock);
        auto& record = uploader.library.sharedList.Append({.hash = "h", .path = source.string(), .size = size});
        virtualName = uploader.library.sharedList.VirtualName(record);
    }
    auto upload = std::make_unique<transfer::TransferRecord>(true, "bob", source.string(), "h", size, 0, 0,
                                                             uploader.transfers.lists.NextRowId(), transfer::TransferNow());
    upload->localPath = source.string();
    {
        auto lock = uploader.transfers.lists.Take(true);
        transfer::AddTransfer(uploader.transfers, lock, std::move(upload));
    }

    downloader.state.EditAccount()->userName = "bob";
    downloader.state.EditSettings()->savePath = saveFolder.string();
    const auto start = Clock::now();
    transfer::StartDownload(downloader.transfers, virtualName, "ann", size);
    transfer::OnDownloadAddress(downloader.transfers,
                                *protocol::DownloadAddress::Decode("ann 16777343 " + std::to_string(uploader.state.account().dataPort) +
                                                                   " \"" + virtualName + "\" h 10"));
    for (;;) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // two cores: leave them to the transfer
        auto rows = downloader.transfers.view.Rows(false);
        if (rows.empty() || rows[0].cells[transfer::kStatusColumn] == "File Complete!") break;
        if (rows[0].cells[transfer::kStatusColumn] == "Erreur Transf.!") return -1;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    const std::uint64_t size = megabytes << 20;
    test::TestProfile dir;
    const fs::path source = dir.path() / "big.mp3";
    {
        std::ofstream out(source, std::ios::binary);
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7919 >> 3);
        for (std::uint64_t i = 0; i < megabytes; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    fs::create_directories(dir.path() / "save");
    std::vector<double> baseRates, clientRates;
    for (int run = 1; run <= runs; ++run) {
        // Alternate which goes first, so that neither always meets the other's dirty pages.
        double base = 0, client = 0;
        if (run % 2) {
            base = Baseline(source, dir.path() / "baseline.bin", size);
            client = ThroughTheClient(source, dir.path() / "save", static_cast<std::uint32_t>(size));
        } else {
            client = ThroughTheClient(source, dir.path() / "save", static_cast<std::uint32_t>(size));
            base = Baseline(source, dir.path() / "baseline.bin", size);
        }
        const bool same = fs::file_size(dir.path() / "save/big.mp3") == size && fs::file_size(dir.path() / "baseline.bin") == size &&
                          std::system(("cmp -s '" + source.string() + "' '" + (dir.path() / "save/big.mp3").string() + "'").c_str()) == 0;
        fs::remove(dir.path() / "save/big.mp3");
        fs::remove(dir.path() / "baseline.bin");
        ::sync();
        if (!same) {
            std::printf("run %d: the files differ\n", run);
            return 1;
        }
        if (client < 0) {
            std::printf("run %d: the download failed\n", run);
            return 1;
        }
        std::printf("run %d: %llu MiB  sendfile baseline %.0f MB/s  client %.0f MB/s\n", run, static_cast<unsigned long long>(megabytes),
                    size / base / 1e6, size / client / 1e6);
        baseRates.push_back(size / base / 1e6);
        clientRates.push_back(size / client / 1e6);
    }
    // Single runs on a small machine vary a lot (page cache, the other process's threads): the
    // medians are what to compare.
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    std::printf("median: sendfile baseline %.0f MB/s, client %.0f MB/s, client/baseline %.2f\n", median(baseRates), median(clientRates),
                median(clientRates) / median(baseRates));
    return 0;
}
