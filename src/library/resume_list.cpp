#include "library/resume_list.h"

#include <sstream>

#include "library/shared_list.h"
#include "platform/atomic_file.h"

namespace tandril::library {
namespace {

std::string FirstField(const std::string& line) {
    std::vector<std::string> tokens = SharedDatTokens(line);
    return tokens.empty() ? std::string() : tokens.front();
}

}  // namespace

std::vector<std::string> IncompletePaths(const std::filesystem::path& folder) {
    std::vector<std::string> paths;
    auto text = platform::ReadWholeFile(folder / "resume.dat");
    if (!text) return paths;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        std::string path = FirstField(line);
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}

void ForgetIncomplete(const std::filesystem::path& folder, const std::string& path) {
    auto text = platform::ReadWholeFile(folder / "resume.dat");
    if (!text) return;
    std::istringstream in(*text);
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find_first_of("\r\n"));
        std::string first = FirstField(line);
        if (!first.empty() && first != path) kept += line + "\n";
    }
    platform::WriteFileAtomically(folder / "resume.dat", kept, folder / "restmp.dat");
}

}  // namespace tandril::library
