#include "browse/browse_view.h"

#include "base/text.h"

namespace tandril::browse {

std::string BrowseSizeText(const BrowseRecord& r) {
    return GroupThousands(std::to_string(r.size));
}

std::string BrowseValueText(std::int32_t value) {
    return value == -1 ? "DRM" : std::to_string(value);
}

std::string BrowseLengthText(const BrowseRecord& r) {
    if (r.length == -1) return "DRM";
    const std::int32_t seconds = r.length < 0 ? 0 : r.length;
    return Format(32, "%d:%s%d", seconds / 60, seconds % 60 < 10 ? "0" : "", seconds % 60);
}

void BrowseView::ShowStatus(const std::string& text) {
    {
        std::scoped_lock held(lock_);
        status_ = text;
        records_ = std::make_shared<const std::vector<BrowseRecord>>();
    }
    Q_EMIT changed();
}

void BrowseView::ShowRecords(BrowseRecords records) {
    {
        std::scoped_lock held(lock_);
        status_.clear();
        records_ = records ? std::move(records) : std::make_shared<const std::vector<BrowseRecord>>();
    }
    Q_EMIT changed();
}

std::string BrowseView::Status() const {
    std::scoped_lock held(lock_);
    return status_;
}

BrowseRecords BrowseView::Records() const {
    std::scoped_lock held(lock_);
    return records_;
}

}  // namespace tandril::browse
