#include "chat/system_lines.h"

namespace tandril::chat {

void PersonalMessages::ShowSystemLine(const std::string& text) {
    std::string line = "* " + text;
    {
        std::scoped_lock lock(lock_);
        lines_.push_back(line);
    }
    Q_EMIT lineAdded(QString::fromStdString(line));
}

std::vector<std::string> PersonalMessages::Lines() const {
    std::scoped_lock lock(lock_);
    return lines_;
}

}  // namespace tandril::chat
