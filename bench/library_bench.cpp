// Building the library of 10,000 MP3 files: the first build (walk, inspection, hash on every
// core), the rebuild from shared.dat, and for comparison the plainest possible work on the same
// bytes: each file's hashing window read and put through OpenSSL's MD5, on every core.
//
//   build/release/bench/library_bench [files] [rebuilds]
//
// The rebuild is timed `rebuilds` times (3 by default) and the best is shown.

#include <openssl/evp.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "app/client.h"
#include "library/file_types.h"
#include "library/my_files.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

namespace fs = std::filesystem;
using namespace tandril;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kWindow = 300032;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// A handful of real encodings, copied round-robin into folders of 100 files.
std::vector<fs::path> MakeLibrary(const fs::path& root, int count) {
    std::vector<fs::path> sources;
    const char* formats[] = {"-b 128 --cbr", "-b 192 --cbr", "-V 2", "-b 320 --cbr"};
    for (int i = 0; i < 4; ++i) {
        fs::path raw = root / ("tone" + std::to_string(i) + ".raw"), mp3 = root / ("tone" + std::to_string(i) + ".mp3");
        {
            std::ofstream out(raw, std::ios::binary);
            for (int s = 0; s < 44100 * 6; ++s) {
                auto v = static_cast<int16_t>((s * (31 + i * 7)) % 20000 - 10000);
                out.write(reinterpret_cast<const char*>(&v), 2);
            }
        }
        std::string command = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m m " + std::string(formats[i]) + " '" +
                              raw.string() + "' '" + mp3.string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "lame failed: %s\n", command.c_str());
            std::exit(1);
        }
        fs::remove(raw);
        sources.push_back(mp3);
    }
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        fs::path folder = root / "Music" / ("Artist " + std::to_string(i / 100)) / "Album";
        fs::create_directories(folder);
        fs::path file = folder / ("Track " + std::to_string(i % 100) + ".mp3");
        fs::copy_file(sources[i % sources.size()], file);
        files.push_back(file);
    }
    return files;
}

// Runs `each` over the files on every core; returns the seconds taken.
template <typename Each>
double OnAllCores(const std::vector<fs::path>& files, Each each) {
    std::atomic<std::size_t> next{0};
    auto start = Clock::now();
    auto work = [&] {
        for (std::size_t i; (i = next++) < files.size();) each(files[i]);
    };
    {
        std::vector<std::jthread> threads;
        for (unsigned t = 1; t < std::max(1u, std::thread::hardware_concurrency()); ++t) threads.emplace_back(work);
        work();
    }
    return Seconds(start);
}

// Each file's window (from its first byte here: lame writes no tag in front) through MD5.
double Md5Only(const std::vector<fs::path>& files) {
    return OnAllCores(files, [](const fs::path& file) {
        thread_local std::vector<char> buffer(kWindow);
        std::ifstream in(file, std::ios::binary);
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned length = 0;
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, EVP_md5(), nullptr);
        EVP_DigestUpdate(context, buffer.data(), static_cast<std::size_t>(in.gcount()));
        EVP_DigestFinal_ex(context, digest, &length);
        EVP_MD_CTX_free(context);
    });
}

// The walk alone: what the first build spends before it inspects anything.
double WalkOnly(const fs::path& profile, const fs::path& music) {
    test::ScriptedUi ui;
    Client client(ui, ClientOptions{profile});
    library::RegisterBundledFileTypes(client.store, library::BundledPluginFolder());
    client.library.fileTypes = *library::LoadFileTypes(client.store);
    client.state.sharedFolders = {music.string()};
    std::vector<library::PendingFile> pending;
    auto start = Clock::now();
    library::RescanSharedFolders(client.library, pending);
    return Seconds(start);
}

// The processor time of the whole process so far (every thread, user and system).
double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct BuildTime {
    double wall = 0, cpu = 0;
};

BuildTime Build(const fs::path& profile, const fs::path& music, int expected) {
    test::ScriptedUi ui;
    Client client(ui, ClientOptions{profile});
    library::RegisterBundledFileTypes(client.store, library::BundledPluginFolder());
    client.library.fileTypes = *library::LoadFileTypes(client.store);
    client.state.sharedFolders = {music.string()};
    const double cpuStart = CpuSeconds();
    auto start = Clock::now();
    library::BuildMyFiles(client.library);
    BuildTime took{Seconds(start), CpuSeconds() - cpuStart};
    if (client.state.sharedFileCount != expected) {
        std::fprintf(stderr, "built %d files, expected %d\n", client.state.sharedFileCount.load(), expected);
        std::exit(1);
    }
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rebuilds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 3);
    test::TestProfile dir;
    std::printf("making %d MP3 files...\n", count);
    std::vector<fs::path> files = MakeLibrary(dir.path(), count);
    Md5Only(files);  // the page cache holds every file from here on, for both contenders
    double md5 = Md5Only(files);
    fs::create_directories(dir.path() / "profile");
    fs::create_directories(dir.path() / "walk-profile");
    double walk = WalkOnly(dir.path() / "walk-profile", dir.path() / "Music");
    double first = Build(dir.path() / "profile", dir.path() / "Music", count).wall;
    // Best of the runs for each figure: the processor time does not grow when other programs take
    // the cores, so it is the steadier of the two on a busy machine.
    double again = 1e9, againCpu = 1e9;
    for (int i = 0; i < rebuilds; ++i) {
        BuildTime t = Build(dir.path() / "profile", dir.path() / "Music", count);
        again = std::min(again, t.wall);
        againCpu = std::min(againCpu, t.cpu);
    }
    std::printf("cores: %u\n", std::thread::hardware_concurrency());
    std::printf("MD5 of the windows only:  %8.0f files/s  (%.3f s)\n", count / md5, md5);
    std::printf("first build:              %8.0f files/s  (%.3f s, %.2fx the MD5-only time)\n", count / first, first, first / md5);
    std::printf("  of which the walk:      %.3f s\n", walk);
    std::printf("rebuild from shared.dat:  %8.0f files/s  (%.3f s, best of %d)\n", count / again, again, rebuilds);
    std::printf("  processor time:         %.3f s (all threads, best of %d)\n", againCpu, rebuilds);
    return 0;
}
