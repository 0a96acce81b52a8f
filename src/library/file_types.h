#pragma once
// The shareable file types: each registered under Software\Tandril\File Types with a plug-in
// module (a shared library with the C entry points "Validate", "Is_Media" and
// "ExtractMediaInfo") that accepts files of its type and, for media types, reads their values.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/media_inspection.h"

namespace tandril {
class ConfigStore;
}

namespace tandril::library {

inline constexpr const char* kFileTypesKey = "Software\\Tandril\\File Types";
// ExtractMediaInfo's result for an accepted file.
inline constexpr std::uint32_t kAccepted = 0xF8000000u;

class PluginModule;

struct FileType {
    std::string name;
    std::string extension;  // with its leading '.'
    std::string modulePath;
    std::string download;
    std::string upload;
    std::string url;  // "No URL" for none
    int imageIndex = 0;
    std::shared_ptr<PluginModule> module;
    // The type's icon: a PNG beside the module with the module's base name; empty when none.
    std::string iconPath;
};

class FileTypeTable {
public:
    // The types in registration order; a slot is empty when its type could not be loaded.
    std::vector<std::optional<FileType>> slots;
    const FileType* FindFileType(std::string_view extension) const;
};

// Nullopt when the key, its "Enum" or every type is missing: start-up cannot share anything then.
std::optional<FileTypeTable> LoadFileTypes(const ConfigStore& store);
bool IsScanType(const ConfigStore& store, std::string_view name);

std::uint32_t ValidateFile(const FileType& type, const std::filesystem::path& path);
bool IsMediaType(const FileType& type);
// kAccepted with the values when the plug-in accepted the file; otherwise 0 and zero values.
std::uint32_t ExtractMediaInfo(const FileType& type, const std::filesystem::path& path, std::uint32_t size, MediaInfo& info);

// What an installer does: registers the program's own MP3 and WMA plug-ins (from `pluginFolder`)
// and "FilesToScan" = "MP3;WMA", unless file types are registered already. False when the store
// could not be written.
bool RegisterBundledFileTypes(ConfigStore& store, const std::filesystem::path& pluginFolder);
// Where the program's plug-ins are: $TANDRIL_PLUGIN_DIR, else where they are installed beside the
// program, else the folder they were built into.
std::filesystem::path BundledPluginFolder();

}  // namespace tandril::library
