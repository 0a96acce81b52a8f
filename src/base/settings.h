#pragma once
// Loading and saving the account and settings in the configuration store, the scrambled form of
// the password, and the import of an earlier installation's files.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/app_state.h"
#include "base/config_store.h"
#include "base/ui_port.h"

namespace tandril {

inline constexpr const char* kRootKey = "Software\\Tandril";

// True when an account was found and loaded. A stored account that lacks a required value is
// treated as absent and changes nothing in `state`.
bool LoadSettings(ConfigStore& store, AppState& state, UiPort& ui);
// Writes everything back; does nothing while the user name is empty. False when the store could
// not be written (the user has been told).
bool SaveSettings(ConfigStore& store, AppState& state, UiPort& ui);

// The login's fields are separated by blanks: white space or a double quote in the user name or
// the password would shift them (servers then store the wrong password or fail). Nullopt when
// both can be sent, else the reason to show.
std::optional<std::string> LoginFieldProblem(std::string_view user, std::string_view password);

std::string ScramblePassword(std::string_view password);
std::string UnscramblePassword(std::string_view text);
// The older "Hash" form of the scrambled password back to the password.
std::string PasswordFromOldHash(std::string_view hash);

// The redirectors from the store, the built-in ones where it names none.
NetworkEndpoints ReadNetworkEndpoints(const ConfigStore& store);

// A host name and a port the installer may write under the root key: a host only when it is not
// blank (trimmed), a port only from 1 to 65535. Nullopt leaves the caller's built-in value.
std::optional<std::string> ReadStoredHost(const ConfigStore& store, std::string_view name);
std::optional<int> ReadStoredPort(const ConfigStore& store, std::string_view name);

// An address kept as a 32-bit number in the old files, with the first octet in the low byte.
std::string DottedFromStoredAddress(std::uint32_t stored);

// An earlier installation's "tandril.dat" in `folder`; true when the user accepted its account.
bool ImportPreviousInstall(const std::filesystem::path& folder, AppState& state, UiPort& ui);
// An earlier installation's "proxy.dat" in `folder`.
void ImportProxyFile(const std::filesystem::path& folder, AppState& state);

}  // namespace tandril
