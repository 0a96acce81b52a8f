#include "platform/file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tandril::platform {

std::optional<std::uint64_t> FileProbe::ReadableFileSize(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    // A bare name or a file at the root is looked up whole, as rarely as it comes.
    if (slash == std::string_view::npos || slash == 0) {
        const std::string whole(path);
        struct stat st {};
        if (::stat(whole.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(whole.c_str(), R_OK) != 0) return std::nullopt;
        return static_cast<std::uint64_t>(st.st_size);
    }
    const std::string_view folder = path.substr(0, slash);
    if (folder != folder_ || folder_.empty()) {
        folder_.assign(folder);
        folderFd_ = UniqueFd(::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    if (!folderFd_.valid()) return std::nullopt;
    const std::string name(path.substr(slash + 1));
    struct stat st {};
    if (::fstatat(folderFd_.get(), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (::faccessat(folderFd_.get(), name.c_str(), R_OK, 0) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace tandril::platform
