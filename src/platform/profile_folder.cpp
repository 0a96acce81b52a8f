#include "platform/profile_folder.h"

#include <cstdlib>

namespace tandril::platform {

static std::optional<std::filesystem::path> FromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::filesystem::path(value);
}

std::filesystem::path ChooseProfileFolder(const std::optional<std::filesystem::path>& fromCommandLine) {
    if (fromCommandLine) return *fromCommandLine;
    if (auto home = FromEnv("TANDRIL_HOME")) return *home;
    if (auto data = FromEnv("XDG_DATA_HOME")) return *data / "tandril";
    if (auto home = FromEnv("HOME")) return *home / ".local/share/tandril";
    return std::filesystem::current_path() / "tandril-profile";
}

std::filesystem::path RuntimeFolder() {
    if (auto runtime = FromEnv("XDG_RUNTIME_DIR")) return *runtime;
    return std::filesystem::temp_directory_path();
}

}  // namespace tandril::platform
