#pragma once
// Where a user's settings and data files live: --profile DIR, else $TANDRIL_HOME,
// else $XDG_DATA_HOME/tandril (~/.local/share/tandril).

#include <filesystem>
#include <optional>

namespace tandril::platform {

std::filesystem::path ChooseProfileFolder(const std::optional<std::filesystem::path>& fromCommandLine);
// The folder for per-session sockets: $XDG_RUNTIME_DIR, else the system's temporary folder.
std::filesystem::path RuntimeFolder();

}  // namespace tandril::platform
