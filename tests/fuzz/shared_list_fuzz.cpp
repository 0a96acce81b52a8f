// shared.dat lines, paths and the names other users ask for: none may crash or read out of
// bounds, and a resolved name never leaves the folder its number stands for.
#include <cstdint>
#include <string>
#include <string_view>

#include "library/shared_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tandril::library;
    std::string text(reinterpret_cast<const char*>(data), size);
    for (const std::string& token : SharedDatTokens(text)) {
        if (token.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    }
    std::string name = ShareName(text);
    std::string folder = FolderPart(text);
    if (name.size() > text.size() || folder.size() > text.size()) __builtin_trap();

    SharedList list;
    SharedFileRecord& record = list.Append(SharedFileRecord{.hash = "h-1", .path = "/music/folder/a.mp3"});
    list.VirtualName(record);  // folder 1 is /music/
    std::string resolved = list.ResolveVirtualName(text);
    if (resolved != text && !resolved.starts_with("/music/")) __builtin_trap();
    return 0;
}
