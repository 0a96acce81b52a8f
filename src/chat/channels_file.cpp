#include "chat/channels_file.h"

#include "base/text.h"
#include "platform/atomic_file.h"

namespace tandril::chat {

namespace {

std::vector<std::string> NamesOf(std::string_view contents) {
    std::vector<std::string> names;
    while (!contents.empty()) {
        std::size_t end = contents.find('\n');
        std::string_view line = contents.substr(0, end);
        contents = end == std::string_view::npos ? std::string_view() : contents.substr(end + 1);
        // A line ends at its first carriage return too, and a stray NUL ends what can be read.
        line = line.substr(0, line.find_first_of(std::string_view("\r\0", 2)));
        line = Trim(line.substr(0, kMaxChannelsLine));
        if (!line.empty()) names.emplace_back(line);
    }
    return names;
}

bool Write(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    std::string contents;
    for (const auto& name : names) contents += name + "\n";
    return platform::WriteFileAtomically(folder / kChannelsFile, contents, folder / kChannelsScratchFile);
}

}  // namespace

std::vector<std::string> ReadChannelsFile(const std::filesystem::path& folder) {
    auto contents = platform::ReadWholeFile(folder / kChannelsFile);
    return contents ? NamesOf(*contents) : std::vector<std::string>{};
}

bool RememberChannel(const std::filesystem::path& folder, std::string_view name) {
    std::string_view wanted = Trim(name);
    if (wanted.empty()) return true;
    std::vector<std::string> names = ReadChannelsFile(folder);
    for (const auto& known : names) {
        if (EqualsNoCase(known, wanted)) return true;
    }
    names.emplace_back(wanted);
    return Write(folder, names);
}

bool ForgetChannel(const std::filesystem::path& folder, std::string_view name) {
    auto contents = platform::ReadWholeFile(folder / kChannelsFile);
    if (!contents) return true;
    std::string_view unwanted = Trim(name);
    std::vector<std::string> names = NamesOf(*contents);
    std::erase_if(names, [&](const std::string& known) { return EqualsNoCase(known, unwanted); });
    return Write(folder, names);
}

}  // namespace tandril::chat
