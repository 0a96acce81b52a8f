#pragma once
// Looks at many files in a row, most of them in the same folder as the one before: the folder is
// opened once and each file is found from it, so the kernel walks one name per file instead of
// the whole path (twice, for the size and for the right to read).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace tandril::platform {

class FileProbe {
public:
    // The size of a regular file (links followed) that this process may read; nullopt otherwise.
    std::optional<std::uint64_t> ReadableFileSize(std::string_view path);

private:
    // The folder opened last; `folderFd_` is invalid when it could not be opened.
    std::string folder_;
    UniqueFd folderFd_;
};

}  // namespace tandril::platform
