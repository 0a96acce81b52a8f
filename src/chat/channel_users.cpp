#include "chat/channel_users.h"

#include <QMetaObject>
#include <algorithm>

#include "base/column_headers.h"
#include "base/line_speed.h"
#include "base/text.h"

namespace tandril::chat {

namespace {

// Past this many changes in one batch the views read the list again instead of row by row.
constexpr std::size_t kRowByRowLimit = 16;

std::string LowerKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

// The line-speed column compares the codes its names stand for; a code outside the table shows
// "Unknown" and counts as 0.
int SpeedRank(int lineSpeed) {
    return LineSpeedCode(LineSpeedName(lineSpeed));
}

}  // namespace

int UserSpeedImage(int lineSpeed) {
    if (lineSpeed < 4) return 2;
    if (lineSpeed <= 6) return 1;
    return 0;
}

bool ChannelUsers::Before(const ChannelUser& a, const ChannelUser& b) const {
    const ChannelUser& x = descending_ ? b : a;
    const ChannelUser& y = descending_ ? a : b;
    switch (sortColumn_) {
        case kFilesColumn:
            return x.files < y.files;
        case kSpeedColumn:
            return SpeedRank(x.lineSpeed) < SpeedRank(y.lineSpeed);
        default:
            return x.key < y.key;
    }
}

bool ChannelUsers::Add(std::string_view name, long long files, int lineSpeed) {
    std::string key = LowerKey(name);
    if (!names_.insert(key).second) return false;
    auto user = std::make_shared<const ChannelUser>(ChannelUser{std::string(name), files, lineSpeed, std::move(key)});
    // The first row the new user sorts before or equals: the walk from the top, by bisection.
    auto at =
        std::lower_bound(rows_.begin(), rows_.end(), user, [this](const auto& row, const auto& added) { return Before(*row, *added); });
    std::size_t row = static_cast<std::size_t>(at - rows_.begin());
    rows_.insert(at, user);
    Changed(true, row, std::move(user));
    return true;
}

bool ChannelUsers::Remove(std::string_view name) {
    std::string key = LowerKey(name);
    if (!names_.erase(key)) return false;
    auto at = std::find_if(rows_.begin(), rows_.end(), [&](const auto& row) { return row->key == key; });
    if (at == rows_.end()) return false;
    std::size_t row = static_cast<std::size_t>(at - rows_.begin());
    rows_.erase(at);
    Changed(false, row, nullptr);
    return true;
}

bool ChannelUsers::Contains(std::string_view name) const {
    return names_.count(LowerKey(name)) > 0;
}

void ChannelUsers::HeaderClicked(int column) {
    if (column < kUserColumn || column > kSpeedColumn) return;
    if (column != lastSortColumn_) {
        descending_ = false;
        lastSortColumn_ = column;
    } else {
        descending_ = true;
        lastSortColumn_ = -1;
    }
    sortColumn_ = column;
    std::stable_sort(rows_.begin(), rows_.end(), [this](const auto& a, const auto& b) { return Before(*a, *b); });
    resetPending_ = true;
    pending_.clear();
    ScheduleFlush();
}

void ChannelUsers::Changed(bool insert, std::size_t row, std::shared_ptr<const ChannelUser> user) {
    if (!resetPending_) {
        pending_.push_back({insert, row, std::move(user)});
        if (pending_.size() > kRowByRowLimit) {
            resetPending_ = true;
            pending_.clear();
        }
    }
    ScheduleFlush();
}

void ChannelUsers::ScheduleFlush() {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    QMetaObject::invokeMethod(
        this, [this] { Flush(); }, Qt::QueuedConnection);
}

void ChannelUsers::Flush() {
    flushScheduled_ = false;
    if (resetPending_) {
        beginResetModel();
        shown_ = rows_;
        resetPending_ = false;
        pending_.clear();
        endResetModel();
        return;
    }
    for (Change& c : pending_) {
        int row = static_cast<int>(c.row);
        if (c.insert) {
            beginInsertRows({}, row, row);
            shown_.insert(shown_.begin() + row, std::move(c.user));
            endInsertRows();
        } else {
            beginRemoveRows({}, row, row);
            shown_.erase(shown_.begin() + row);
            endRemoveRows();
        }
    }
    pending_.clear();
}

int ChannelUsers::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int ChannelUsers::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant ChannelUsers::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(shown_.size())) return {};
    const ChannelUser& u = *shown_[static_cast<std::size_t>(index.row())];
    if (role == kImageRole) return UserSpeedImage(u.lineSpeed);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case kUserColumn:
            return QString::fromStdString(u.name);
        case kFilesColumn:
            return QString::fromStdString(GroupThousands(std::to_string(u.files)));
        case kSpeedColumn:
            return QString::fromStdString(LineSpeedName(u.lineSpeed));
        default:
            return {};
    }
}

QVariant ChannelUsers::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeaders[] = {"User", "Files", "Vitesse"};
    return ColumnHeader(kHeaders, section, orientation, role);
}

}  // namespace tandril::chat
