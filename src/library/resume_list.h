#pragma once
// The incomplete downloads listed in resume.dat ("\"path\" size checksum" per line), as far as the
// library needs them: which paths are listed, and forgetting one.

#include <filesystem>
#include <string>
#include <vector>

namespace tandril::library {

std::vector<std::string> IncompletePaths(const std::filesystem::path& folder);
// Rewrites resume.dat without the lines of `path` (through restmp.dat); nothing when it is missing.
void ForgetIncomplete(const std::filesystem::path& folder, const std::string& path);

}  // namespace tandril::library
