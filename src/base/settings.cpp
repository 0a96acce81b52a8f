#include "base/settings.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <vector>

#include "base/text.h"
#include "base/shared_folders.h"

namespace tandril {


namespace {

constexpr std::size_t kMaxValue = 511;

// The scrambling key is made when it is needed rather than kept as plain bytes in the program.
std::array<unsigned char, 10> ScrambleKey() {
    std::array<unsigned char, 10> key{};
    unsigned value = 0x6B;
    for (std::size_t i = 0; i < key.size(); ++i) {
        value = (value * 29 + 0x3D) & 0xFF;
        key[i] = static_cast<unsigned char>(value | 0x01);
    }
    return key;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int PortOrFirewalled(long long port) {
    return port < 0 || port >= 65535 ? 0 : static_cast<int>(port);
}

struct UserKeyReader {
    ConfigStore& store;
    ConfigKey key;
    std::optional<std::string> Text(const char* name, std::size_t max) const {
        auto v = store.GetValue(key, name);
        if (!v) return std::nullopt;
        return CutText(*v, std::min(max, kMaxValue));
    }
    std::optional<long long> Number(const char* name) const {
        auto v = store.GetValue(key, name);
        if (!v) return std::nullopt;
        return DecimalValue(*v);
    }
    void Flag(const char* name, bool& target) const {
        if (auto n = Number(name)) target = *n != 0;
    }
};

inline constexpr std::array<const char*, 6> kSearchFilterNames = {"lsopt", "lschoice", "bitopt", "bitchoice", "pingopt", "pingchoice"};

}  // namespace

NetworkEndpoints ReadNetworkEndpoints(const ConfigStore& store) {
    NetworkEndpoints ends;
    auto root = store.OpenKey(kRootKey);
    if (!root) return ends;
    if (auto v = store.GetValue(*root, "Redirector"); v && !Trim(*v).empty()) ends.primaryRedirector = std::string(Trim(*v));
    if (auto v = store.GetValue(*root, "Redirector2"); v && !Trim(*v).empty()) ends.fallbackRedirector = std::string(Trim(*v));
    if (auto v = store.GetValue(*root, "RedirectorPort")) {
        long long port = DecimalValue(*v);
        if (port > 0 && port < 65536) ends.redirectorPort = static_cast<int>(port);
    }
    return ends;
}

std::string DottedFromStoredAddress(std::uint32_t v) {
    return std::to_string(v & 255) + "." + std::to_string((v >> 8) & 255) + "." + std::to_string((v >> 16) & 255) + "." +
           std::to_string((v >> 24) & 255);
}

std::string ScramblePassword(std::string_view password) {
    auto key = ScrambleKey();
    std::string out;
    for (std::size_t i = 0; i < password.size(); ++i) {
        out += Format(2, "%02x", static_cast<unsigned char>(password[i]) ^ key[i % key.size()]);
    }
    return out;
}

std::string UnscramblePassword(std::string_view text) {
    auto key = ScrambleKey();
    text = text.substr(0, std::min<std::size_t>(text.size(), 39));
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        int hi = HexValue(text[i]), lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        out.push_back(static_cast<char>((hi * 16 + lo) ^ key[out.size() % key.size()]));
    }
    return out;
}

std::string PasswordFromOldHash(std::string_view hash) {
    auto key = ScrambleKey();
    std::string out;
    for (std::size_t i = 0; i < hash.size() && out.size() < kMaxPassword; ++i) {
        unsigned char b = hash[i] == '0' ? 0 : static_cast<unsigned char>(hash[i]);
        out.push_back(static_cast<char>(b ^ key[i % key.size()]));
    }
    return out;
}

bool LoadSettings(ConfigStore& store, AppState& state, UiPort& ui) {
    auto root = store.OpenKey(kRootKey);
    if (!root) return false;
    auto defFlag = store.GetValue(*root, "DefFlag");
    if (!defFlag) return false;
    std::string userKeyName;
    if (DecimalValue(*defFlag) == 0) {
        if (auto current = store.GetValue(*root, "CurrentUser")) {
            userKeyName = *current;
        } else if (auto subKeys = store.SubKeys(*root); !subKeys.empty()) {
            userKeyName = subKeys.front();
        }
    }
    if (userKeyName.empty()) return false;
    auto userKey = store.OpenKey(std::string(kRootKey) + "\\" + userKeyName);
    if (!userKey) return false;
    UserKeyReader r{store, *userKey};

    // Read into copies; the account is taken only when every required value is there.
    Settings s = state.settings;
    std::string libPath;

    auto userName = r.Text("CompName", kMaxUserName);
    if (!userName) return false;
    if (auto hash = store.GetValue(*userKey, "Hash")) {
        store.SetValue(*userKey, "Checksum", ScramblePassword(PasswordFromOldHash(*hash)));
        store.DeleteValue(*userKey, "Hash");
        store.Flush();
    }
    auto checksum = r.Text("Checksum", 39);
    if (!checksum) return false;
    auto savePath = r.Text("SavePath", kMaxPath);
    if (!savePath) return false;
    s.savePath = *savePath;
    if (auto oldList = r.Text("LibPath", kMaxValue); oldList && !oldList->empty()) {
        libPath = *oldList;
        store.SetValue(*userKey, "LibPath", "");
        store.Flush();
    }
    auto waitPort = r.Number("WaitPort");
    if (!waitPort) return false;
    auto player = r.Text("Player", kMaxPath);
    s.player = player && !player->empty() ? *player : kInternalPlayer;
    auto email = r.Text("Email", kMaxEmail);
    if (!email) return false;
    auto maxDownloads = r.Number("MaxDownloads");
    auto maxUploads = r.Number("MaxUploads");
    auto lineSpeed = r.Number("LineSpeed");
    auto swearFilter = r.Number("SwearFilter");
    if (!maxDownloads || !maxUploads || !lineSpeed || !swearFilter) return false;
    s.maxDownloads = *maxDownloads < 1 ? 1 : static_cast<int>(std::min(*maxDownloads, 1000000LL));
    s.maxUploads = static_cast<int>(std::clamp(*maxUploads, -1LL, 1000000LL));
    s.swearFilter = *swearFilter != 0;

    r.Flag("DisplayJoinPart", s.displayJoinPart);
    r.Flag("AutoDelete", s.autoDelete);
    r.Flag("PingResults", s.pingResults);
    r.Flag("AdvancedSearch", s.advancedSearch);
    r.Flag("AutoJoin", s.autoJoin);
    r.Flag("InstantMessaging", s.instantMessaging);
    if (auto n = r.Number("PartialAction")) s.partialAction = static_cast<int>(*n);
    r.Flag("ProxyTransfers", s.proxyTransfers);
    if (auto v = r.Text("CurrentScheme", 54)) s.currentScheme = *v;
    if (auto v = r.Text("CustomPallete", 63)) s.customPallete = *v;
    if (auto n = r.Number("ProxyVersion")) s.proxyVersion = static_cast<int>(*n);
    if (auto v = r.Text("ProxyServer", 126)) s.proxyServer = *v;
    if (auto n = r.Number("ProxyPort")) s.proxyPort = static_cast<int>(*n);
    if (auto v = r.Text("ProxyUser", 54)) s.proxyUser = *v;
    if (auto v = r.Text("ProxyPass", 54)) s.proxyPass = *v;
    for (std::size_t i = 0; i < kSearchFilterNames.size(); ++i) {
        if (auto v = r.Text(kSearchFilterNames[i], 254)) s.searchFilters[i] = *v;
    }

    if (s.maxUploads < 1) {
        Answer a =
            ui.Ask({"Your file server is currently disabled (max outbound transfers = 0). Would you like to "
                    "enable your file server?",
                    "Enable file server?", Buttons::YesNo, Icon::Question});
        s.maxUploads = a == Answer::Yes ? 3 : 0;
    }
    auto proxyIp = r.Number("ProxyIP");
    if (proxyIp && r.Number("ProxyPort")) {
        s.proxyVersion = 5;
        s.proxyServer = DottedFromStoredAddress(static_cast<std::uint32_t>(*proxyIp));
        store.DeleteValue(*userKey, "ProxyIP");
        store.DeleteValue(*userKey, "ProxyPort");
        store.Flush();
    }
    if (auto v = r.Text("LastPlayList", 347)) s.lastPlayList = *v;

    state.userName = *userName;
    state.password = CutText(UnscramblePassword(*checksum), kMaxPassword);
    state.email = Trim(*email).empty() ? kDefaultEmail : *email;
    state.dataPort = PortOrFirewalled(*waitPort);
    state.lineSpeed = static_cast<int>(*lineSpeed);
    state.settings = s;
    AddFoldersFromText(state, libPath);
    return true;
}

bool SaveSettings(ConfigStore& store, AppState& state, UiPort& ui) {
    if (state.userName.empty()) return true;
    const Settings& s = state.settings;
    ConfigKey root = store.CreateKey(kRootKey);
    store.SetValue(root, "DefFlag", "0");
    store.SetValue(root, "CurrentUser", state.userName);
    ConfigKey user = store.CreateKey(std::string(kRootKey) + "\\" + state.userName);
    auto number = [&](const char* name, long long v) { store.SetValue(user, name, std::to_string(v)); };
    store.SetValue(user, "CompName", state.userName);
    store.SetValue(user, "SavePath", s.savePath);
    number("WaitPort", state.dataPort);
    store.SetValue(user, "Player", s.player);
    store.SetValue(user, "Email", state.email);
    number("AdvancedSearch", s.advancedSearch);
    number("MaxDownloads", s.maxDownloads);
    number("MaxUploads", s.maxUploads);
    number("LineSpeed", state.lineSpeed);
    number("SwearFilter", s.swearFilter);
    number("DisplayJoinPart", s.displayJoinPart);
    number("AutoDelete", s.autoDelete);
    number("PingResults", s.pingResults);
    number("AutoJoin", s.autoJoin);
    number("InstantMessaging", s.instantMessaging);
    number("PartialAction", s.partialAction);
    number("ProxyTransfers", s.proxyTransfers);
    store.SetValue(user, "CustomPallete", s.customPallete);
    store.SetValue(user, "CurrentScheme", s.currentScheme);
    store.SetValue(user, "Checksum", ScramblePassword(state.password));
    if (s.proxyVersion != 0) {
        number("ProxyVersion", s.proxyVersion);
        store.SetValue(user, "ProxyServer", s.proxyServer);
        number("ProxyPort", s.proxyPort);
        store.SetValue(user, "ProxyUser", s.proxyUser);
        store.SetValue(user, "ProxyPass", s.proxyPass);
    } else {
        for (const char* name : {"ProxyVersion", "ProxyServer", "ProxyPort", "ProxyUser", "ProxyPass", "ProxyTransfers"}) {
            store.DeleteValue(user, name);
        }
    }
    for (std::size_t i = 0; i < kSearchFilterNames.size(); ++i) {
        std::string_view text = Trim(s.searchFilters[i]);
        if (text.empty()) {
            store.DeleteValue(user, kSearchFilterNames[i]);
        } else {
            store.SetValue(user, kSearchFilterNames[i], text);
        }
    }
    if (!store.Flush()) {
        ui.ShowAlert(AlertKind::Modeless, "WARNING: Registry write attempt failed!");
        return false;
    }
    return true;
}

namespace {

std::vector<std::string> ReadTrimmedLines(const std::filesystem::path& file, bool& opened) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    opened = static_cast<bool>(in);
    std::string line;
    while (opened && std::getline(in, line) && lines.size() < 64) {
        std::erase(line, '\r');
        lines.emplace_back(Trim(line));
    }
    return lines;
}

}  // namespace

bool ImportPreviousInstall(const std::filesystem::path& folder, AppState& state, UiPort& ui) {
    bool opened = false;
    auto lines = ReadTrimmedLines(folder / "tandril.dat", opened);
    if (!opened) return false;
    auto line = [&](std::size_t n, std::size_t max) -> std::optional<std::string> {
        if (n > lines.size()) return std::nullopt;
        return CutText(lines[n - 1], max);
    };
    auto required = [&](std::size_t n, std::size_t max) -> std::optional<std::string> {
        auto v = line(n, max);
        return v && !v->empty() ? v : std::nullopt;
    };
    auto user = required(1, 18), password = required(2, 18), folders = line(3, 3498), savePath = line(4, 348), port = required(5, 48),
         player = required(6, 48), email = line(7, 98), maxDown = required(8, 48), maxUp = required(9, 48), speed = required(10, 48),
         swear = required(11, 48);
    if (user && password && folders && savePath && port && player && email && maxDown && maxUp && speed && swear) {
        state.userName = *user;
        state.password = *password;
        AddFoldersFromText(state, *folders);
        state.settings.savePath = *savePath;
        state.dataPort = PortOrFirewalled(DecimalValue(*port));
        state.settings.player = *player;
        state.email = email->empty() ? kDefaultEmail : *email;
        state.settings.maxDownloads = static_cast<int>(std::clamp(DecimalValue(*maxDown), 3LL, 1000000LL));
        state.settings.maxUploads = static_cast<int>(std::clamp(DecimalValue(*maxUp), 3LL, 1000000LL));
        state.lineSpeed = static_cast<int>(DecimalValue(*speed));
        state.settings.swearFilter = DecimalValue(*swear) != 0;
        bool* flags[] = {&state.settings.displayJoinPart, &state.settings.autoDelete, &state.settings.pingResults,
                         &state.settings.autoJoin};
        for (std::size_t i = 0; i < 4; ++i) {
            if (auto v = line(12 + i, 48)) *flags[i] = DecimalValue(*v) != 0;
        }
        Answer a = ui.Ask({Format(511, "Existing user found (%s) - Would you like to use this account?", user->c_str()),
                           "Use existing account?", Buttons::YesNo, Icon::Question});
        if (a != Answer::No) return true;
    }
    state.ClearAccount();
    return false;
}

void ImportProxyFile(const std::filesystem::path& folder, AppState& state) {
    bool opened = false;
    auto lines = ReadTrimmedLines(folder / "proxy.dat", opened);
    if (lines.size() < 2) return;
    state.settings.proxyVersion = 5;
    state.settings.proxyPort = static_cast<int>(DecimalValue(CutText(lines[1], 48)));
    state.settings.proxyServer = DottedFromStoredAddress(static_cast<std::uint32_t>(DecimalValue(CutText(lines[0], 48))));
}

}  // namespace tandril
