#include "base/config_store.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/text.h"
#include "platform/atomic_file.h"

namespace tandril {

namespace {

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20 || b == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02x", b);
                    out += hex;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at the start of `in`; advances `in` past it.
std::optional<std::string> Unquote(std::string_view& in) {
    if (in.empty() || in.front() != '"') return std::nullopt;
    std::string out;
    std::size_t i = 1;
    while (i < in.size()) {
        char c = in[i];
        if (c == '"') {
            in.remove_prefix(i + 1);
            return out;
        }
        if (c != '\\') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= in.size()) return std::nullopt;
        char e = in[i + 1];
        switch (e) {
            case '\\':
                out.push_back('\\');
                break;
            case '"':
                out.push_back('"');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'x': {
                if (i + 3 >= in.size()) return std::nullopt;
                int hi = HexDigit(in[i + 2]), lo = HexDigit(in[i + 3]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
        i += 2;
    }
    return std::nullopt;
}

std::string_view ParentOf(std::string_view path) {
    auto slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

}  // namespace

ConfigStore::ConfigStore(std::filesystem::path folder) : folder_(std::move(folder)) {
    Load(Hive::Machine);
    Load(Hive::User);
}

std::filesystem::path ConfigStore::FileOf(Hive hive) const {
    return folder_ / (hive == Hive::Machine ? "machine.reg" : "user.reg");
}

void ConfigStore::Load(Hive h) {
    auto path = FileOf(h);
    // A rewrite cut short by a crash leaves its temporary file; the real file is intact.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with(path.filename().string() + ".tmp")) std::filesystem::remove(entry.path(), ec);
    }
    auto text = platform::ReadWholeFile(path);
    if (!text) return;
    std::vector<std::string> problems;
    Data(h).keys = Parse(*text, problems, path.filename().string());
    if (!problems.empty()) {
        // Keep the damaged file as it was, so that nothing it held is lost by the next rewrite.
        auto kept = path;
        kept += ".damaged";
        platform::WriteFileAtomically(kept, *text);
        problems.push_back("The unreadable file was kept as " + kept.filename().string() + ".");
        problems_.insert(problems_.end(), problems.begin(), problems.end());
    }
}

std::vector<std::string> ConfigStore::Problems() const {
    std::scoped_lock lock(lock_);
    return problems_;
}

std::vector<ConfigStore::Key> ConfigStore::Parse(std::string_view text, std::vector<std::string>& problems, std::string_view fileName) {
    std::vector<Key> keys;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        line = Trim(line);
        if (line.empty() || line.front() == ';') continue;
        auto report = [&](const char* why) {
            problems.push_back(std::string(fileName) + " line " + std::to_string(lineNumber) + ": " + why + " (" + CutText(line, 80) + ")");
        };
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                report("not a key name");
                continue;
            }
            std::string path(line.substr(1, line.size() - 2));
            auto found = std::find_if(keys.begin(), keys.end(), [&](const Key& k) { return EqualsNoCase(k.path, path); });
            if (found != keys.end()) {
                std::rotate(found, found + 1, keys.end());  // later values go to that key
            } else {
                keys.push_back(Key{path, {}});
            }
            continue;
        }
        std::string_view rest = line;
        auto name = Unquote(rest);
        if (!name || rest.empty() || rest.front() != '=') {
            report("not a value");
            continue;
        }
        if (keys.empty()) {
            report("value outside any key");
            continue;
        }
        rest.remove_prefix(1);
        Value value{*name, {}, false};
        if (rest.starts_with("dword:")) {
            rest.remove_prefix(6);
            std::uint32_t number = 0;
            auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
            if (ec != std::errc() || ptr != rest.data() + rest.size()) {
                report("not a number");
                continue;
            }
            value.data = std::to_string(number);
            value.number = true;
        } else {
            auto data = Unquote(rest);
            if (!data || !Trim(rest).empty()) {
                report("not a quoted text");
                continue;
            }
            value.data = *data;
        }
        auto& values = keys.back().values;
        auto same = std::find_if(values.begin(), values.end(), [&](const Value& v) { return EqualsNoCase(v.name, value.name); });
        if (same != values.end()) {
            *same = value;
        } else {
            values.push_back(value);
        }
    }
    return keys;
}

std::string ConfigStore::Serialise(const std::vector<Key>& keys, std::string_view title) {
    std::string out = "; Tandril settings, " + std::string(title) +
                      ". Written by the program; one [key] per section, values as \"name\"=\"text\" or "
                      "\"name\"=dword:number.\n";
    for (const Key& key : keys) {
        out += "\n[" + key.path + "]\n";
        for (const Value& v : key.values) {
            out += Quote(v.name) + "=" + (v.number ? "dword:" + v.data : Quote(v.data)) + "\n";
        }
    }
    return out;
}

ConfigStore::Key* ConfigStore::FindKey(Hive h, std::string_view path) {
    auto& keys = Data(h).keys;
    auto it = std::find_if(keys.begin(), keys.end(), [&](const Key& k) { return EqualsNoCase(k.path, path); });
    return it == keys.end() ? nullptr : &*it;
}

const ConfigStore::Key* ConfigStore::FindKey(Hive h, std::string_view path) const {
    return const_cast<ConfigStore*>(this)->FindKey(h, path);
}

std::optional<ConfigKey> ConfigStore::OpenKey(std::string_view path) const {
    std::scoped_lock lock(lock_);
    for (Hive h : {Hive::Machine, Hive::User}) {
        if (const Key* k = FindKey(h, path)) return ConfigKey{h, k->path};
    }
    return std::nullopt;
}

ConfigKey ConfigStore::CreateKey(std::string_view path) {
    std::scoped_lock lock(lock_);
    for (Hive h : {Hive::Machine, Hive::User}) {
        if (const Key* k = FindKey(h, path)) return ConfigKey{h, k->path};
    }
    // Like the registry, creating a key creates its missing parents.
    std::vector<std::string_view> chain;
    for (std::string_view p = path; !p.empty(); p = ParentOf(p)) chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!FindKey(Hive::Machine, *it)) machine_.keys.push_back(Key{std::string(*it), {}});
    }
    machine_.dirty = true;
    return ConfigKey{Hive::Machine, std::string(path)};
}

ConfigStore::Value* ConfigStore::FindValue(const ConfigKey& key, std::string_view name) {
    Key* k = FindKey(key.hive, key.path);
    if (!k) return nullptr;
    auto it = std::find_if(k->values.begin(), k->values.end(), [&](const Value& v) { return EqualsNoCase(v.name, name); });
    return it == k->values.end() ? nullptr : &*it;
}

std::optional<std::string> ConfigStore::GetValue(const ConfigKey& key, std::string_view name) const {
    std::scoped_lock lock(lock_);
    const Value* v = const_cast<ConfigStore*>(this)->FindValue(key, name);
    if (!v) return std::nullopt;
    return v->data;
}

std::optional<std::uint32_t> ConfigStore::GetNumberValue(const ConfigKey& key, std::string_view name) const {
    std::scoped_lock lock(lock_);
    const Value* v = const_cast<ConfigStore*>(this)->FindValue(key, name);
    if (!v || !v->number) return std::nullopt;
    std::uint32_t number = 0;
    auto [end, ec] = std::from_chars(v->data.data(), v->data.data() + v->data.size(), number);
    if (ec != std::errc() || end != v->data.data() + v->data.size()) return std::nullopt;
    return number;
}

void ConfigStore::SetValue(const ConfigKey& key, std::string_view name, std::string_view text) {
    std::scoped_lock lock(lock_);
    Key* k = FindKey(key.hive, key.path);
    if (!k) {
        Data(key.hive).keys.push_back(Key{key.path, {}});
        k = &Data(key.hive).keys.back();
    }
    if (Value* v = FindValue(key, name)) {
        v->data = std::string(text);
        v->number = false;
    } else {
        k->values.push_back(Value{std::string(name), std::string(text), false});
    }
    Data(key.hive).dirty = true;
}

void ConfigStore::SetNumberValue(const ConfigKey& key, std::string_view name, std::uint32_t number) {
    SetValue(key, name, std::to_string(number));
    std::scoped_lock lock(lock_);
    FindValue(key, name)->number = true;
}

void ConfigStore::DeleteValue(const ConfigKey& key, std::string_view name) {
    std::scoped_lock lock(lock_);
    Key* k = FindKey(key.hive, key.path);
    if (!k) return;
    auto removed = std::erase_if(k->values, [&](const Value& v) { return EqualsNoCase(v.name, name); });
    if (removed > 0) Data(key.hive).dirty = true;
}

std::vector<std::string> ConfigStore::ValueNames(const ConfigKey& key) const {
    std::scoped_lock lock(lock_);
    std::vector<std::string> names;
    if (const Key* k = FindKey(key.hive, key.path)) {
        for (const Value& v : k->values) names.push_back(v.name);
    }
    return names;
}

void ConfigStore::DeleteKey(std::string_view path) {
    std::scoped_lock lock(lock_);
    std::string below = std::string(path) + "\\";
    for (Hive h : {Hive::Machine, Hive::User}) {
        auto removed = std::erase_if(Data(h).keys, [&](const Key& k) {
            return EqualsNoCase(k.path, path) ||
                   (k.path.size() > below.size() && EqualsNoCase(std::string_view(k.path).substr(0, below.size()), below));
        });
        if (removed > 0) Data(h).dirty = true;
    }
}

std::vector<std::string> ConfigStore::SubKeys(const ConfigKey& key) const {
    std::scoped_lock lock(lock_);
    std::vector<std::string> names;
    for (const Key& k : Data(key.hive).keys) {
        if (EqualsNoCase(ParentOf(k.path), key.path)) names.push_back(k.path.substr(key.path.size() + 1));
    }
    return names;
}

bool ConfigStore::Flush() {
    std::scoped_lock lock(lock_);
    bool ok = true;
    for (Hive h : {Hive::Machine, Hive::User}) {
        HiveData& data = Data(h);
        if (!data.dirty) continue;
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        if (platform::WriteFileAtomically(FileOf(h), Serialise(data.keys, h == Hive::Machine ? "machine hive" : "user hive"))) {
            data.dirty = false;
        } else {
            ok = false;
        }
    }
    return ok;
}

}  // namespace tandril
