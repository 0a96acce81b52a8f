#pragma once
// The process-wide record of one running client. One object per client (tests run several in a
// process); every Part receives it by reference.

#include <array>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tandril {

inline constexpr const char* kWindowTitle = "Tandril v2.0 BETA 9";
inline constexpr const char* kVersionText = "v2.0 BETA 9.4";
inline constexpr const char* kDefaultEmail = "anonymous@tandril.invalid";
inline constexpr const char* kSupportEmail = "support@tandril.invalid";
inline constexpr const char* kInternalPlayer = "Internal";
inline constexpr int kDefaultRedirectorPort = 8875;

// Limits of the texts the client keeps (characters, not counting a terminator).
inline constexpr std::size_t kMaxUserName = 19;
inline constexpr std::size_t kMaxPassword = 19;
inline constexpr std::size_t kMaxEmail = 99;
inline constexpr std::size_t kMaxPath = 349;
// The sixteen custom colours of the colour picker, "rrggbb" each, separated by commas.
inline constexpr std::size_t kMaxCustomPallete = 16 * 6 + 15;

// Where the client finds the network: configuration values ("Redirector", "Redirector2" and
// "RedirectorPort" under Software\Tandril), which the command line can override.
struct NetworkEndpoints {
    std::string primaryRedirector = "redirector.tandril.invalid";
    std::string fallbackRedirector = "redirector2.tandril.invalid";
    int redirectorPort = kDefaultRedirectorPort;
};

struct EndpointOverrides {
    std::optional<std::string> primaryRedirector;
    std::optional<std::string> fallbackRedirector;
    std::optional<int> redirectorPort;
};

// The community's web pages, opened in the desktop's browser; configuration values.
struct WebAddresses {
    std::string home = "https://www.tandril.invalid/";
    std::string discover = "https://www.tandril.invalid/discover";
    std::string help = "https://www.tandril.invalid/help";
    std::string shop = "https://shop.tandril.invalid/";
    std::string download = "https://www.tandril.invalid/download";
};
// The second text of the tray icon's tooltip "Tandril %s %s".
inline constexpr const char* kTrayTooltipText = "- music sharing";

// The user's settings: values of the per-user configuration key, each with its default here and
// with its stored name and bounds in the one table the store is read and written by
// (settings.cpp).
struct Settings {
    std::string savePath;
    std::string player = kInternalPlayer;
    int maxDownloads = 3;
    int maxUploads = 3;
    bool swearFilter = false;
    bool displayJoinPart = true;
    bool autoDelete = false;
    bool pingResults = true;
    bool advancedSearch = false;
    bool autoJoin = false;
    bool instantMessaging = true;
    int partialAction = 1;
    bool proxyTransfers = true;
    std::string currentScheme;
    std::string customPallete;
    int proxyVersion = 0;  // 0 = no proxy, else SOCKS 4 or 5
    std::string proxyServer;
    int proxyPort = 0;
    std::string proxyUser;
    std::string proxyPass;
    // lsopt, lschoice, bitopt, bitchoice, pingopt, pingchoice
    std::array<std::string, 6> searchFilters;
    std::string lastPlayList;
};

// The account: who logs in, and how others reach this computer.
struct Account {
    std::string userName;
    std::string password;
    std::string email;
    int lineSpeed = 0;
    int dataPort = 0;  // 0: firewalled
};

// A value read or changed under its lock, for as long as the object lives (one statement, or
// one short block that neither asks the user anything nor waits on the network).
template <typename T>
class Locked {
public:
    Locked(std::mutex& lock, T& value) : lock_(lock), value_(value) {}
    T* operator->() { return &value_; }
    T& operator*() { return value_; }

private:
    std::unique_lock<std::mutex> lock_;
    T& value_;
};

class AppState {
public:
    std::filesystem::path profileFolder;
    NetworkEndpoints endpoints;
    WebAddresses web;

    // Connection state; set and read from the GUI thread and from workers.
    std::atomic<bool> connected{false};
    std::atomic<bool> quitting{false};
    std::atomic<bool> connectCancelled{false};
    std::atomic<bool> connectInProgress{false};
    std::atomic<bool> suppressReconnectOnce{false};
    std::atomic<bool> searchRequestedWhileOffline{false};
    std::atomic<bool> exitAfterUploads{false};

    // Window state.
    std::atomic<bool> mainWindowVisible{false};
    std::atomic<bool> mainWindowMinimised{false};
    std::atomic<bool> mainWindowMaximised{false};
    std::atomic<bool> trayIconShown{false};

    // 0: the account was loaded from the store; 1: new account; 2: existing account typed in.
    std::atomic<int> accountOrigin{0};

    // The account and the settings are changed by the GUI thread and by the start-up and
    // reconnect workers, and read everywhere: every reader takes a copy, every writer the lock.
    Account account() const {
        std::scoped_lock lock(accountLock_);
        return account_;
    }
    Locked<Account> EditAccount() { return {accountLock_, account_}; }
    Settings settings() const {
        std::scoped_lock lock(settingsLock_);
        return settings_;
    }
    Locked<Settings> EditSettings() { return {settingsLock_, settings_}; }

    // The shared folders, each shared with everything below it; guarded by its lock.
    std::mutex sharedFoldersLock;
    std::vector<std::string> sharedFolders;

    // The index server of the current connection, and the servers that take nothing but a login
    // before one (920 is left out with them for the rest of the run).
    std::mutex serversLock;
    std::pair<std::uint32_t, std::uint16_t> server{0, 0};
    std::set<std::pair<std::uint32_t, std::uint16_t>> serversWithout920;
    std::atomic<int> sharedFileCount{0};

    // Running transfers, each counter behind its own lock.
    std::mutex uploadsLock;
    int uploads = 0;
    std::mutex downloadsLock;
    int downloads = 0;

    int Uploads() {
        std::scoped_lock lock(uploadsLock);
        return uploads;
    }
    int Downloads() {
        std::scoped_lock lock(downloadsLock);
        return downloads;
    }

    // Back to "no account": the fields that the start-up search and the wizard begin from.
    void ClearAccount() {
        *EditAccount() = Account{};
        {
            auto s = EditSettings();
            const Settings defaults;
            s->player = defaults.player;
            s->maxUploads = defaults.maxUploads;
            s->maxDownloads = defaults.maxDownloads;
        }
        std::scoped_lock lock(sharedFoldersLock);
        sharedFolders.clear();
    }

private:
    mutable std::mutex accountLock_;
    Account account_;
    mutable std::mutex settingsLock_;
    Settings settings_;
};

}  // namespace tandril
