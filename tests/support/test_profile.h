#pragma once
// A fresh temporary profile folder for one test, removed afterwards.

#include <filesystem>
#include <string>

namespace tandril::test {

class TestProfile {
public:
    TestProfile();
    ~TestProfile();
    TestProfile(const TestProfile&) = delete;
    TestProfile& operator=(const TestProfile&) = delete;
    const std::filesystem::path& path() const { return path_; }
    void Write(const std::string& name, const std::string& contents) const;

private:
    std::filesystem::path path_;
};

}  // namespace tandril::test
