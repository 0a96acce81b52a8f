// A settings file damaged in any way loads what it can; what it loads writes back and reads the same.
#include <cstdint>
#include <string_view>

#include "base/config_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tandril::ConfigStore;
    std::vector<std::string> problems;
    auto keys = ConfigStore::Parse(std::string_view(reinterpret_cast<const char*>(data), size), problems, "fuzz");
    std::string text = ConfigStore::Serialise(keys, "fuzz");
    std::vector<std::string> again;
    auto reread = ConfigStore::Parse(text, again, "fuzz");
    if (!again.empty() || ConfigStore::Serialise(reread, "fuzz") != text) __builtin_trap();
    return 0;
}
