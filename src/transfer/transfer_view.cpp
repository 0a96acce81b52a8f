#include "transfer/transfer_view.h"

#include <algorithm>

namespace tandril::transfer {

void TransferView::Insert(bool outbound, int index, TransferRow row) {
    {
        std::scoped_lock lock(lock_);
        auto& rows = rows_[outbound];
        auto at = index < 0 || static_cast<std::size_t>(index) > rows.size() ? rows.end() : rows.begin() + index;
        rows.insert(at, std::move(row));
    }
    Q_EMIT changed(outbound);
}

void TransferView::Remove(bool outbound, std::uint32_t rowId) {
    {
        std::scoped_lock lock(lock_);
        std::erase_if(rows_[outbound], [&](const TransferRow& r) { return r.rowId == rowId; });
    }
    Q_EMIT changed(outbound);
}

bool TransferView::Edit(bool outbound, std::uint32_t rowId, const std::function<void(TransferRow&)>& edit) {
    {
        std::scoped_lock lock(lock_);
        auto& rows = rows_[outbound];
        auto it = std::find_if(rows.begin(), rows.end(), [&](const TransferRow& r) { return r.rowId == rowId; });
        if (it == rows.end()) return false;
        edit(*it);
    }
    Q_EMIT changed(outbound);
    return true;
}

std::vector<TransferRow> TransferView::Rows(bool outbound) const {
    std::scoped_lock lock(lock_);
    return rows_[outbound];
}

void TransferView::SetInfo(const std::string& inbound, const std::string& outbound) {
    {
        std::scoped_lock lock(lock_);
        info_ = {inbound, outbound};
    }
    Q_EMIT infoChanged();
}

std::pair<std::string, std::string> TransferView::Info() const {
    std::scoped_lock lock(lock_);
    return info_;
}

}  // namespace tandril::transfer
