#pragma once
// The user list of a channel window: users in the order of the chosen column and direction, each
// placed where walking the rows from the top would place it (before the first row it sorts before
// or equals), found by binary search so that a channel of thousands fills in linear time. Views
// see the rows through the item model, which takes the changes in batches: a burst of joins
// reaches them as one reset, a single join as one inserted row.

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tandril::chat {

struct ChannelUser {
    std::string name;  // at most 19 characters
    long long files = 0;
    int lineSpeed = 0;
    std::string key;  // the name in lower case, for comparing without regard to case
};

enum ChannelUserColumn { kUserColumn = 0, kFilesColumn = 1, kSpeedColumn = 2 };

// The row's image: 2 below ISDN, 1 for the ISDN and 56K codes (4 to 6), 0 from cable up.
int UserSpeedImage(int lineSpeed);

class ChannelUsers : public QAbstractTableModel {
    Q_OBJECT
public:
    // The image index of a row (UserSpeedImage), under this role.
    static constexpr int kImageRole = Qt::UserRole + 1;

    // False when a user of that name (any case) is already listed.
    bool Add(std::string_view name, long long files, int lineSpeed);
    // False when no user of that name is listed.
    bool Remove(std::string_view name);
    bool Contains(std::string_view name) const;
    std::size_t Count() const { return rows_.size(); }
    // The users in the order they are shown.
    const std::vector<std::shared_ptr<const ChannelUser>>& Rows() const { return rows_; }

    // A header click: another column than the last one sorts ascending by it (and is remembered);
    // the same column again sorts descending (and is forgotten), so a third click is ascending.
    void HeaderClicked(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return descending_; }
    int LastSortColumn() const { return lastSortColumn_; }

    // Hands the changes made so far to the views now (otherwise they follow on the event loop).
    void Flush();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // True when `a` is to stand before `b` in the current order (strictly).
    bool Before(const ChannelUser& a, const ChannelUser& b) const;
    void Changed(bool insert, std::size_t row, std::shared_ptr<const ChannelUser> user);
    void ScheduleFlush();

    std::vector<std::shared_ptr<const ChannelUser>> rows_;
    std::unordered_set<std::string> names_;
    int sortColumn_ = kUserColumn;
    bool descending_ = false;
    int lastSortColumn_ = -1;

    // What the views have been told of, and the changes since.
    struct Change {
        bool insert;
        std::size_t row;
        std::shared_ptr<const ChannelUser> user;
    };
    std::vector<std::shared_ptr<const ChannelUser>> shown_;
    std::vector<Change> pending_;
    bool resetPending_ = false;
    bool flushScheduled_ = false;
};

}  // namespace tandril::chat
