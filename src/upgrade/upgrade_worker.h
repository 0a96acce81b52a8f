#pragma once
// The download of a new program offered by the server, and the hand-over to it. Nothing runs
// unless the whole program arrived with a 2xx answer, at its announced length, and with a valid
// detached signature ("<path>.sig" from the same host) by the key built into the client.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/upgrade_messages.h"

namespace tandril {
class ConfigStore;
class Runtime;
}  // namespace tandril

namespace tandril::upgrade {

// The file the new program is downloaded into, in the profile folder; a leftover one is removed
// at the next start.
inline constexpr const char* kUpgradeFileName = "upgrade.bin";

// Where upgrades may come from: configuration values "DownloadHost", "UpgradeHost" and
// "UpgradePort" under Software\Tandril. Only these two hosts are accepted.
struct UpgradeHosts {
    std::string downloadHost = "download.tandril.invalid";
    std::string upgradeHost = "upgrade.tandril.invalid";
    int port = 80;
};
UpgradeHosts ReadUpgradeHosts(const ConfigStore& store);

struct UpgradeLocation {
    std::string host;
    std::string path;
};
// "host:path" split at the first colon, blanks stripped; no colon: all of it is the path. An
// empty host is the default download host.
UpgradeLocation SplitUpgradeLocation(std::string_view location, const std::string& defaultHost);
bool IsAllowedUpgradeHost(const std::string& host, const UpgradeHosts& hosts);

// How this client upgrades itself; the defaults are the real program's.
struct UpgradeSetup {
    // The key every upgrade must be signed with (PEM); tests give a key of their own.
    std::string publicKeyPem;
    // The program file the new program replaces; empty: this process's own program.
    std::filesystem::path programPath;
    // Starts the new program with its arguments, detached; empty: the system's way. False when it
    // could not be started.
    std::function<bool(const std::filesystem::path& program, const std::vector<std::string>& arguments)> launch;
    // Failed name lookups of the host, each told to the user, before the upgrade gives up.
    int maxLookupAttempts = 3;
    std::chrono::milliseconds lookupRetryDelay{std::chrono::seconds(5)};  // a protocol wait (scaled)
    std::chrono::milliseconds readTimeout{std::chrono::seconds(30)};
    std::uint64_t maxProgramSize = 256ull << 20;
};
UpgradeSetup DefaultUpgradeSetup();

// The upgrade on the calling thread (a worker of its own): the connecting dialog shows it, the
// status bar counts the bytes. Ends the application when the download failed after it started
// ("Auto Upgrading Failed!!"); otherwise leaves the client offline with the reason told.
void UpgradeWorker(Runtime& rt, const UpgradeSetup& setup, const protocol::UpgradeOffer& offer);

}  // namespace tandril::upgrade
