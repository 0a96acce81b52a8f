// A file-type plug-in for tests: "Validate" holds the inspection of a file until a file named "go"
// appears beside it (ten seconds at most), and says which ended the wait ("released" or
// "timed-out"), so that a test can do something while an inspection runs.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

void Touch(const std::filesystem::path& path) {
    std::ofstream(path) << "";
}

}  // namespace

extern "C" std::uint32_t Validate(const char* file) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    Touch(folder / "started");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
        std::error_code ec;
        if (std::filesystem::exists(folder / "go", ec)) {
            Touch(folder / "released");
            return 0x80000000u;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Touch(folder / "timed-out");
    return 0x80000000u;
}
