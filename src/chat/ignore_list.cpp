#include "chat/ignore_list.h"

#include <algorithm>

#include "base/text.h"

namespace tandril::chat {

bool IgnoreList::IsIgnored(const std::string& user) const {
    std::scoped_lock lock(lock_);
    return ignored_.contains(user);
}

void IgnoreList::Remember(const std::string& user) {
    std::scoped_lock lock(lock_);
    ignored_.insert(user);
}

void IgnoreList::Forget(const std::string& user) {
    std::scoped_lock lock(lock_);
    ignored_.erase(user);
}

void IgnoreList::OpenDialog() {
    open_ = true;
    rows_ = {kPopulatingRow};
    Q_EMIT rowsChanged();
}

void IgnoreList::CloseDialog() {
    open_ = false;
    rows_.clear();
}

void IgnoreList::AddRow(const std::string& user) {
    if (!open_ || user.empty()) return;
    if (rows_.size() < 2 && !rows_.empty() && (rows_.front() == kPopulatingRow || rows_.front() == kEmptyListRow)) rows_.clear();
    if (std::any_of(rows_.begin(), rows_.end(), [&](const std::string& row) { return EqualsNoCase(row, user); })) return;
    rows_.push_back(user);
    Q_EMIT rowsChanged();
}

void IgnoreList::RemoveRow(const std::string& user) {
    if (!open_) return;
    if (std::erase(rows_, user) > 0) Q_EMIT rowsChanged();
}

void IgnoreList::ClearRows() {
    if (!open_) return;
    rows_.clear();
    Q_EMIT rowsChanged();
}

void IgnoreList::OnListEnd() {
    if (!open_ || rows_.size() != 1 || rows_.front() != kPopulatingRow) return;
    rows_.front() = kEmptyListRow;
    Q_EMIT rowsChanged();
}

}  // namespace tandril::chat
