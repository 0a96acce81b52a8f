#pragma once
// The library's progress while it inspects new files, as one line shown now and then rather than
// a line per file (100,000 files must not make 100,000 lines).

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace tandril::cli {

// "12,345 of 100,000 files (12%), 2,345 files/s, 0:37 left"; the rate and time left once a second
// has passed.
std::string ProgressText(int done, int total, std::chrono::duration<double> elapsed);

// "n of m" as a count of files done and the total; nothing for any other text.
std::optional<std::pair<int, int>> FileCount(const std::string& text);

class ProgressLine {
public:
    // `show` puts the text out; `final` is the last text of a run. At most one text per `every`,
    // and always the last.
    using Show = std::function<void(const std::string& text, bool final)>;
    ProgressLine(Show show, std::chrono::milliseconds every);
    // From the dialog's progress (any thread). The dialog sets 0 of the total before the first file
    // and again after the last.
    void Update(int done, int total);

private:
    Show show_;
    std::chrono::milliseconds every_;
    std::mutex lock_;
    std::chrono::steady_clock::time_point start_, lastShown_;
    int total_ = 0;
    int done_ = 0;
};

}  // namespace tandril::cli
