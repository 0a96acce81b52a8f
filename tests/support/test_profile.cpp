#include "support/test_profile.h"

#include <cstdlib>
#include <fstream>

namespace tandril::test {

TestProfile::TestProfile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tandril-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
}

TestProfile::~TestProfile() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TestProfile::Write(const std::string& name, const std::string& contents) const {
    std::ofstream(path_ / name, std::ios::binary) << contents;
}

}  // namespace tandril::test
