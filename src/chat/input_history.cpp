#include "chat/input_history.h"

namespace tandril::chat {

void InputHistory::RememberTyped(const std::string& line) {
    if (!line.empty()) entries_.push_back(line);
    cursor_.reset();
}

std::optional<std::string> InputHistory::BrowseOlder() {
    if (cursor_) {
        if (*cursor_ == 0) {
            cursor_.reset();
            return std::string();
        }
        return entries_[--*cursor_];
    }
    if (entries_.empty()) return std::nullopt;
    cursor_ = entries_.size() - 1;
    return entries_.back();
}

std::optional<std::string> InputHistory::BrowseNewer() {
    if (cursor_) {
        if (*cursor_ + 1 >= entries_.size()) {
            cursor_.reset();
            return std::string();
        }
        return entries_[++*cursor_];
    }
    if (entries_.empty()) return std::nullopt;
    cursor_ = 0;
    return entries_.front();
}

}  // namespace tandril::chat
