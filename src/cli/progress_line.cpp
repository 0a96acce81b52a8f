#include "cli/progress_line.h"

#include "base/text.h"

namespace tandril::cli {

std::string ProgressText(int done, int total, std::chrono::duration<double> elapsed) {
    std::string text = GroupThousands(std::to_string(done)) + " of " + GroupThousands(std::to_string(total)) + " files";
    if (total > 0) text += " (" + std::to_string(static_cast<long long>(done) * 100 / total) + "%)";
    const double seconds = elapsed.count();
    if (seconds >= 1.0 && done > 0) {
        const double rate = done / seconds;
        const long long left = done < total ? static_cast<long long>((total - done) / rate + 0.5) : 0;
        text += ", " + GroupThousands(std::to_string(static_cast<long long>(rate + 0.5))) + " files/s";
        text += Format(48, ", %lld:%02lld left", left / 60, left % 60);
    }
    return text;
}

std::optional<std::pair<int, int>> FileCount(const std::string& text) {
    const std::size_t of = text.find(" of ");
    if (of == std::string::npos) return std::nullopt;
    const std::string done = text.substr(0, of), total = text.substr(of + 4);
    if (!IsDecimal(done) || !IsDecimal(total)) return std::nullopt;
    return std::pair<int, int>{static_cast<int>(DecimalValue(done)), static_cast<int>(DecimalValue(total))};
}

ProgressLine::ProgressLine(Show show, std::chrono::milliseconds every) : show_(std::move(show)), every_(every) {}

void ProgressLine::Update(int done, int total) {
    std::scoped_lock lock(lock_);
    if (total <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (done == 0) {
        // A run cut short ends with what it reached.
        if (total == total_ && done_ > 0 && done_ < total) show_(ProgressText(done_, total, now - start_), true);
        total_ = total;
        done_ = 0;
        start_ = lastShown_ = now;
        return;
    }
    if (total != total_ || done < done_) {
        total_ = total;
        start_ = lastShown_ = now;
    }
    const bool final = done >= total;
    const bool changed = done != done_;
    done_ = done;
    if (!changed || (!final && now - lastShown_ < every_)) return;
    lastShown_ = now;
    show_(ProgressText(done, total, now - start_), final);
}

}  // namespace tandril::cli
