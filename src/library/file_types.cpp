#include "library/file_types.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "base/config_store.h"
#include "base/settings.h"
#include "base/text.h"

namespace tandril::library {

// A loaded plug-in module, released when the last type using it goes.
class PluginModule {
public:
    explicit PluginModule(void* handle) : handle_(handle) {}
    ~PluginModule() {
        if (handle_) dlclose(handle_);
    }
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    // Entry points are looked up each time they are used.
    void* Entry(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

private:
    void* handle_;
};

namespace {

using ValidateEntry = std::uint32_t (*)(const char*);
using IsMediaEntry = unsigned char (*)();
using ExtractEntry = unsigned char (*)(const char*, std::uint32_t, std::uint32_t*, std::uint32_t*, std::uint32_t*, char*, std::uint32_t);

std::string Value(const ConfigStore& store, const ConfigKey& key, const char* name, std::size_t max) {
    return CutText(store.GetValue(key, name).value_or(""), max);
}

}  // namespace

const FileType* FileTypeTable::FindFileType(std::string_view extension) const {
    for (const auto& slot : slots) {
        if (slot && EqualsNoCase(slot->extension, extension)) return &*slot;
    }
    return nullptr;
}

std::optional<FileTypeTable> LoadFileTypes(const ConfigStore& store) {
    auto key = store.OpenKey(kFileTypesKey);
    if (!key) return std::nullopt;
    auto count = store.GetValue(*key, "Enum");
    if (!count) return std::nullopt;
    long long enumCount = std::clamp(DecimalValue(*count), 0LL, 4096LL);
    FileTypeTable table;
    table.slots.resize(static_cast<std::size_t>(enumCount));
    std::vector<std::string> names = store.SubKeys(*key);
    int failures = 0;
    int opened = 0;
    for (std::size_t i = 0; i < names.size() && i < table.slots.size(); ++i) {
        auto sub = store.OpenKey(std::string(kFileTypesKey) + "\\" + names[i]);
        if (!sub) continue;
        int imageIndex = 2 + opened++;
        if (!store.GetValue(*sub, "URL")) {
            ++failures;
            continue;
        }
        FileType type{names[i],
                      Value(store, *sub, "Extension", 9),
                      Value(store, *sub, "Validate", 259),
                      Value(store, *sub, "Download", 259),
                      Value(store, *sub, "Upload", 259),
                      Value(store, *sub, "URL", 259),
                      imageIndex,
                      nullptr};
        void* handle = dlopen(type.modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            ++failures;
            continue;
        }
        type.module = std::make_shared<PluginModule>(handle);
        std::filesystem::path icon = std::filesystem::path(type.modulePath).replace_extension(".png");
        std::error_code ec;
        if (std::filesystem::is_regular_file(icon, ec)) type.iconPath = icon.string();
        table.slots[i] = std::move(type);
    }
    bool anyLoaded = std::any_of(table.slots.begin(), table.slots.end(), [](const auto& s) { return s.has_value(); });
    if (!anyLoaded || failures == enumCount) return std::nullopt;
    return table;
}

bool IsScanType(const ConfigStore& store, std::string_view name) {
    auto key = store.OpenKey(kFileTypesKey);
    if (!key) return false;
    auto list = store.GetValue(*key, "FilesToScan");
    if (!list) return false;
    std::string_view rest = std::string_view(*list).substr(0, 512);
    for (;;) {
        auto semi = rest.find(';');
        if (EqualsNoCase(rest.substr(0, semi), name)) return true;
        if (semi == std::string_view::npos) return false;
        rest.remove_prefix(semi + 1);
    }
}

std::uint32_t ValidateFile(const FileType& type, const std::filesystem::path& path) {
    auto entry = type.module ? reinterpret_cast<ValidateEntry>(type.module->Entry("Validate")) : nullptr;
    return entry ? entry(path.c_str()) : 0;
}

bool IsMediaType(const FileType& type) {
    auto entry = type.module ? reinterpret_cast<IsMediaEntry>(type.module->Entry("Is_Media")) : nullptr;
    return entry && entry() != 0;
}

std::uint32_t ExtractMediaInfo(const FileType& type, const std::filesystem::path& path, std::uint32_t size, MediaInfo& info) {
    info = MediaInfo{};
    auto entry = type.module ? reinterpret_cast<ExtractEntry>(type.module->Entry("ExtractMediaInfo")) : nullptr;
    if (!entry) return 0;
    char hash[50] = {};
    if (!entry(path.c_str(), size, &info.bitrate, &info.frequency, &info.length, hash, sizeof hash)) {
        info = MediaInfo{};
        return 0;
    }
    hash[sizeof hash - 1] = '\0';
    info.hash = hash;
    return kAccepted;
}

std::filesystem::path BundledPluginFolder() {
    if (const char* env = std::getenv("TANDRIL_PLUGIN_DIR"); env && *env) return env;
    // Installed, the plug-ins have their place relative to the program's folder.
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path installed = (program.parent_path() / TANDRIL_PLUGIN_DIR_FROM_PROGRAM).lexically_normal();
        if (std::filesystem::is_directory(installed, ec)) return installed;
    }
    return TANDRIL_BUILT_PLUGIN_DIR;
}

bool RegisterBundledFileTypes(ConfigStore& store, const std::filesystem::path& pluginFolder) {
    if (store.OpenKey(kFileTypesKey)) return true;
    ConfigKey root = store.CreateKey(kFileTypesKey);
    store.SetNumberValue(root, "Enum", 2);
    store.SetValue(root, "FilesToScan", "MP3;WMA");
    const std::pair<const char*, const char*> types[] = {{"MP3", ".mp3"}, {"WMA", ".wma"}};
    for (auto [name, extension] : types) {
        ConfigKey key = store.CreateKey(std::string(kFileTypesKey) + "\\" + name);
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        store.SetValue(key, "Extension", extension);
        store.SetValue(key, "Validate", (pluginFolder / ("libtandril-" + lower + ".so")).string());
        store.SetValue(key, "Download", "");
        store.SetValue(key, "Upload", "");
        store.SetValue(key, "URL", "No URL");
    }
    return store.Flush();
}

}  // namespace tandril::library
