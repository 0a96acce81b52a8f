#pragma once
// Whole-file reads and crash-safe rewrites: a rewrite goes to a temporary file in the same
// folder, is flushed to disk and then renamed over the old one, so a reader (or the next start
// after a crash) sees either the old contents or the new, never a mixture.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tandril::platform {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);
// `scratch` names the temporary file when the data file has a known one (such as tmp.dat).
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents, std::filesystem::path scratch = {});

}  // namespace tandril::platform
