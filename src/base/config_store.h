#pragma once
// A registry-shaped settings store: keys with sub-keys and named values (text or 32-bit number),
// in two hives, "machine" and "user", each kept as a readable text file in the profile folder.
// Keys are opened in the machine hive first, as the program has always looked for its settings.
// Every rewrite of a file is atomic. Lines of a damaged file that cannot be read are reported,
// skipped, and the file as it was is kept beside it before it is first rewritten.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandril {

enum class Hive { Machine, User };

struct ConfigKey {
    Hive hive = Hive::Machine;
    std::string path;  // e.g. "Software\\Tandril\\alice"
};

class ConfigStore {
public:
    explicit ConfigStore(std::filesystem::path folder);

    // What could not be read from the files, one text per problem.
    std::vector<std::string> Problems() const;

    std::optional<ConfigKey> OpenKey(std::string_view path) const;
    ConfigKey CreateKey(std::string_view path);

    std::optional<std::string> GetValue(const ConfigKey& key, std::string_view name) const;
    std::optional<std::uint32_t> GetNumberValue(const ConfigKey& key, std::string_view name) const;
    void SetValue(const ConfigKey& key, std::string_view name, std::string_view text);
    void SetNumberValue(const ConfigKey& key, std::string_view name, std::uint32_t number);
    void DeleteValue(const ConfigKey& key, std::string_view name);
    // Names of the key's values, in the order they were written.
    std::vector<std::string> ValueNames(const ConfigKey& key) const;
    // Removes the key with its values and every key below it.
    void DeleteKey(std::string_view path);
    // Names of the direct sub-keys, in the order they were created.
    std::vector<std::string> SubKeys(const ConfigKey& key) const;

    // Writes the hives changed since the last flush; false when a file could not be written.
    bool Flush();

    std::filesystem::path FileOf(Hive hive) const;

    // The text form of one hive (what Flush writes) and its reader; exposed for tests and tools.
    struct Value {
        std::string name;
        std::string data;
        bool number = false;
    };
    struct Key {
        std::string path;
        std::vector<Value> values;
    };
    static std::string Serialise(const std::vector<Key>& keys, std::string_view title);
    static std::vector<Key> Parse(std::string_view text, std::vector<std::string>& problems, std::string_view fileName);

private:
    struct HiveData {
        std::vector<Key> keys;
        bool dirty = false;
    };
    HiveData& Data(Hive h) { return h == Hive::Machine ? machine_ : user_; }
    const HiveData& Data(Hive h) const { return h == Hive::Machine ? machine_ : user_; }
    Key* FindKey(Hive h, std::string_view path);
    const Key* FindKey(Hive h, std::string_view path) const;
    Value* FindValue(const ConfigKey& key, std::string_view name);
    void Load(Hive h);

    std::filesystem::path folder_;
    mutable std::mutex lock_;
    HiveData machine_;
    HiveData user_;
    std::vector<std::string> problems_;
};

}  // namespace tandril
