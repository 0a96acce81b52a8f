#include "base/settings.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <variant>
#include <vector>

#include "base/shared_folders.h"
#include "base/text.h"

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
};

// How a stored account treats a value.
enum class Presence {
    Optional,          // missing: the value stays as it was
    Required,          // missing: there is no stored account at all
    WithProxy,         // kept only while a proxy is set; removed without one
    DroppedWhenBlank,  // removed rather than stored blank
    LoadedOnly,        // written by its own part, not with the settings
};

// Everything the user's key holds.
struct UserValues {
    Account account;
    Settings settings;
};

struct TextValue {
    std::string& (*value)(UserValues&);
    std::size_t width;  // of the stored text
    // What a blank stored text stands for (nullptr: the blank text itself).
    const char* blank = nullptr;
    // The password is stored scrambled.
    std::string (*toStored)(std::string_view) = nullptr;
    std::string (*fromStored)(std::string_view) = nullptr;
};
struct NumberValue {
    int& (*value)(UserValues&);
    long long min, max;
    int (*fromStored)(long long) = nullptr;
};
struct FlagValue {
    bool& (*value)(UserValues&);
};

// One value of the user's key: its stored name, its kind with bounds, and its presence rule;
// listed in the order they are written. Defaults are those of Account and Settings.
struct ValueSpec {
    const char* name;
    std::variant<TextValue, NumberValue, FlagValue> kind;
    Presence presence = Presence::Optional;
};

constexpr long long kNoLimit = 1000000;
constexpr long long kAnyNumber = 100000000000LL;

std::string StoredPassword(std::string_view password) {
    return ScramblePassword(password);
}
std::string PasswordFromStored(std::string_view text) {
    return CutText(UnscramblePassword(text), kMaxPassword);
}

#define TANDRIL_VALUE(field)      \
    [](UserValues & v) -> auto& { \
        return v.field;           \
    }

const std::vector<ValueSpec>& ValueSpecs() {
    static const std::vector<ValueSpec> specs = {
        {"CompName", TextValue{TANDRIL_VALUE(account.userName), kMaxUserName}, Presence::Required},
        {"SavePath", TextValue{TANDRIL_VALUE(settings.savePath), kMaxPath}, Presence::Required},
        {"WaitPort", NumberValue{TANDRIL_VALUE(account.dataPort), -kAnyNumber, kAnyNumber, PortOrFirewalled}, Presence::Required},
        {"Player", TextValue{TANDRIL_VALUE(settings.player), kMaxPath, kInternalPlayer}},
        {"Email", TextValue{TANDRIL_VALUE(account.email), kMaxEmail, kDefaultEmail}, Presence::Required},
        {"AdvancedSearch", FlagValue{TANDRIL_VALUE(settings.advancedSearch)}},
        {"MaxDownloads", NumberValue{TANDRIL_VALUE(settings.maxDownloads), 1, kNoLimit}, Presence::Required},
        {"MaxUploads", NumberValue{TANDRIL_VALUE(settings.maxUploads), -1, kNoLimit}, Presence::Required},
        {"LineSpeed", NumberValue{TANDRIL_VALUE(account.lineSpeed), -kAnyNumber, kAnyNumber}, Presence::Required},
        {"SwearFilter", FlagValue{TANDRIL_VALUE(settings.swearFilter)}, Presence::Required},
        {"DisplayJoinPart", FlagValue{TANDRIL_VALUE(settings.displayJoinPart)}},
        {"AutoDelete", FlagValue{TANDRIL_VALUE(settings.autoDelete)}},
        {"PingResults", FlagValue{TANDRIL_VALUE(settings.pingResults)}},
        {"AutoJoin", FlagValue{TANDRIL_VALUE(settings.autoJoin)}},
        {"InstantMessaging", FlagValue{TANDRIL_VALUE(settings.instantMessaging)}},
        {"PartialAction", NumberValue{TANDRIL_VALUE(settings.partialAction), -kAnyNumber, kAnyNumber}},
        {"ProxyTransfers", FlagValue{TANDRIL_VALUE(settings.proxyTransfers)}, Presence::WithProxy},
        {"CustomPallete", TextValue{TANDRIL_VALUE(settings.customPallete), kMaxCustomPallete}},
        {"CurrentScheme", TextValue{TANDRIL_VALUE(settings.currentScheme), 54}},
        {"Checksum", TextValue{TANDRIL_VALUE(account.password), 39, nullptr, StoredPassword, PasswordFromStored}, Presence::Required},
        {"ProxyVersion", NumberValue{TANDRIL_VALUE(settings.proxyVersion), -kAnyNumber, kAnyNumber}, Presence::WithProxy},
        {"ProxyServer", TextValue{TANDRIL_VALUE(settings.proxyServer), 126}, Presence::WithProxy},
        {"ProxyPort", NumberValue{TANDRIL_VALUE(settings.proxyPort), -kAnyNumber, kAnyNumber}, Presence::WithProxy},
        {"ProxyUser", TextValue{TANDRIL_VALUE(settings.proxyUser), 54}, Presence::WithProxy},
        {"ProxyPass", TextValue{TANDRIL_VALUE(settings.proxyPass), 54}, Presence::WithProxy},
        {"lsopt", TextValue{TANDRIL_VALUE(settings.searchFilters[0]), 254}, Presence::DroppedWhenBlank},
        {"lschoice", TextValue{TANDRIL_VALUE(settings.searchFilters[1]), 254}, Presence::DroppedWhenBlank},
        {"bitopt", TextValue{TANDRIL_VALUE(settings.searchFilters[2]), 254}, Presence::DroppedWhenBlank},
        {"bitchoice", TextValue{TANDRIL_VALUE(settings.searchFilters[3]), 254}, Presence::DroppedWhenBlank},
        {"pingopt", TextValue{TANDRIL_VALUE(settings.searchFilters[4]), 254}, Presence::DroppedWhenBlank},
        {"pingchoice", TextValue{TANDRIL_VALUE(settings.searchFilters[5]), 254}, Presence::DroppedWhenBlank},
        {"LastPlayList", TextValue{TANDRIL_VALUE(settings.lastPlayList), 347}, Presence::LoadedOnly},
    };
    return specs;
}

#undef TANDRIL_VALUE

template <typename... Fs>
struct Visit : Fs... {
    using Fs::operator()...;
};
template <typename... Fs>
Visit(Fs...) -> Visit<Fs...>;

// Reads one value into `v`; false when a required one is missing.
bool LoadValue(const UserKeyReader& r, const ValueSpec& spec, UserValues& v) {
    bool found = true;
    std::visit(Visit{[&](const TextValue& t) {
                         auto text = r.Text(spec.name, t.width);
                         found = text.has_value();
                         if (!text) return;
                         if (t.blank && Trim(*text).empty()) *text = t.blank;
                         t.value(v) = t.fromStored ? t.fromStored(*text) : *text;
                     },
                     [&](const NumberValue& n) {
                         auto number = r.Number(spec.name);
                         found = number.has_value();
                         if (!number) return;
                         n.value(v) = n.fromStored ? n.fromStored(*number) : static_cast<int>(std::clamp(*number, n.min, n.max));
                     },
                     [&](const FlagValue& f) {
                         auto number = r.Number(spec.name);
                         found = number.has_value();
                         if (number) f.value(v) = *number != 0;
                     }},
               spec.kind);
    return found || spec.presence != Presence::Required;
}

void SaveValue(ConfigStore& store, const ConfigKey& key, const ValueSpec& spec, UserValues& v) {
    if (spec.presence == Presence::LoadedOnly) return;
    if (spec.presence == Presence::WithProxy && v.settings.proxyVersion == 0) {
        store.DeleteValue(key, spec.name);
        return;
    }
    std::visit(Visit{[&](const TextValue& t) {
                         std::string text = t.toStored ? t.toStored(t.value(v)) : t.value(v);
                         if (spec.presence == Presence::DroppedWhenBlank) {
                             text = Trim(text);
                             if (text.empty()) return store.DeleteValue(key, spec.name);
                         }
                         store.SetValue(key, spec.name, text);
                     },
                     [&](const NumberValue& n) { store.SetValue(key, spec.name, std::to_string(n.value(v))); },
                     [&](const FlagValue& f) { store.SetValue(key, spec.name, f.value(v) ? "1" : "0"); }},
               spec.kind);
}

}  // namespace

std::optional<std::string> ReadStoredHost(const ConfigStore& store, std::string_view name) {
    auto root = store.OpenKey(kRootKey);
    auto v = root ? store.GetValue(*root, name) : std::nullopt;
    if (!v || Trim(*v).empty()) return std::nullopt;
    return std::string(Trim(*v));
}

std::optional<int> ReadStoredPort(const ConfigStore& store, std::string_view name) {
    auto root = store.OpenKey(kRootKey);
    auto v = root ? store.GetValue(*root, name) : std::nullopt;
    if (!v) return std::nullopt;
    long long port = DecimalValue(*v);
    if (port <= 0 || port >= 65536) return std::nullopt;
    return static_cast<int>(port);
}

NetworkEndpoints ReadNetworkEndpoints(const ConfigStore& store) {
    NetworkEndpoints ends;
    if (auto host = ReadStoredHost(store, "Redirector")) ends.primaryRedirector = *host;
    if (auto host = ReadStoredHost(store, "Redirector2")) ends.fallbackRedirector = *host;
    if (auto port = ReadStoredPort(store, "RedirectorPort")) ends.redirectorPort = *port;
    return ends;
}

std::string DottedFromStoredAddress(std::uint32_t v) {
    return std::to_string(v & 255) + "." + std::to_string((v >> 8) & 255) + "." + std::to_string((v >> 16) & 255) + "." +
           std::to_string((v >> 24) & 255);
}

std::optional<std::string> LoginFieldProblem(std::string_view user, std::string_view password) {
    auto unusable = [](std::string_view text) {
        return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '"'; });
    };
    if (unusable(user)) return Format(511, "The user name '%s' contains a blank or a quote: it cannot log in.", std::string(user).c_str());
    if (unusable(password)) return std::string("The password contains a blank or a quote: it cannot log in.");
    return std::nullopt;
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
    UserValues values{Account{}, state.settings()};
    if (auto hash = store.GetValue(*userKey, "Hash")) {
        store.SetValue(*userKey, "Checksum", ScramblePassword(PasswordFromOldHash(*hash)));
        store.DeleteValue(*userKey, "Hash");
        store.Flush();
    }
    for (const ValueSpec& spec : ValueSpecs()) {
        if (!LoadValue(r, spec, values)) return false;
    }
    if (auto problem = LoginFieldProblem(values.account.userName, values.account.password)) {
        ui.ShowAlert(AlertKind::Modeless, *problem + " The stored account is not used.");
        return false;
    }
    std::string libPath;
    if (auto oldList = r.Text("LibPath", kMaxValue); oldList && !oldList->empty()) {
        libPath = *oldList;
        store.SetValue(*userKey, "LibPath", "");
        store.Flush();
    }
    Settings& s = values.settings;
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
    *state.EditAccount() = values.account;
    *state.EditSettings() = s;
    AddFoldersFromText(state, libPath);
    return true;
}

bool SaveSettings(ConfigStore& store, AppState& state, UiPort& ui) {
    UserValues values{state.account(), state.settings()};
    const std::string& user = values.account.userName;
    if (user.empty()) return true;
    ConfigKey root = store.CreateKey(kRootKey);
    store.SetValue(root, "DefFlag", "0");
    store.SetValue(root, "CurrentUser", user);
    ConfigKey key = store.CreateKey(std::string(kRootKey) + "\\" + user);
    for (const ValueSpec& spec : ValueSpecs()) SaveValue(store, key, spec, values);
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
    // A declined account leaves nothing of itself behind (its save folder would stay ticked, out
    // of sight, in the wizard that follows).
    const Settings settingsBefore = state.settings();
    std::vector<std::string> foldersBefore;
    {
        std::scoped_lock lock(state.sharedFoldersLock);
        foldersBefore = state.sharedFolders;
    }
    if (user && password && folders && savePath && port && player && email && maxDown && maxUp && speed && swear) {
        *state.EditAccount() = Account{*user, *password, email->empty() ? kDefaultEmail : *email, static_cast<int>(DecimalValue(*speed)),
                                       PortOrFirewalled(DecimalValue(*port))};
        AddFoldersFromText(state, *folders);
        {
            auto s = state.EditSettings();
            s->savePath = *savePath;
            s->player = *player;
            s->maxDownloads = static_cast<int>(std::clamp(DecimalValue(*maxDown), 3LL, 1000000LL));
            s->maxUploads = static_cast<int>(std::clamp(DecimalValue(*maxUp), 3LL, 1000000LL));
            s->swearFilter = DecimalValue(*swear) != 0;
            bool* flags[] = {&s->displayJoinPart, &s->autoDelete, &s->pingResults, &s->autoJoin};
            for (std::size_t i = 0; i < 4; ++i) {
                if (auto v = line(12 + i, 48)) *flags[i] = DecimalValue(*v) != 0;
            }
        }
        Answer a = ui.Ask({Format(511, "Existing user found (%s) - Would you like to use this account?", user->c_str()),
                           "Use existing account?", Buttons::YesNo, Icon::Question});
        if (a != Answer::No) return true;
    }
    state.ClearAccount();
    *state.EditSettings() = settingsBefore;
    std::scoped_lock lock(state.sharedFoldersLock);
    state.sharedFolders = foldersBefore;
    return false;
}

void ImportProxyFile(const std::filesystem::path& folder, AppState& state) {
    bool opened = false;
    auto lines = ReadTrimmedLines(folder / "proxy.dat", opened);
    if (lines.size() < 2) return;
    auto s = state.EditSettings();
    s->proxyVersion = 5;
    s->proxyPort = static_cast<int>(DecimalValue(CutText(lines[1], 48)));
    s->proxyServer = DottedFromStoredAddress(static_cast<std::uint32_t>(DecimalValue(CutText(lines[0], 48))));
}

}  // namespace tandril
