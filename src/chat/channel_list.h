#pragma once
// The channel list window "Salles de discussions de Tandril": the channels the server lists (the
// root view of 617 or the full view of 827) with their user counts and topics, in name order until
// a header is clicked; joining the selected ones, and creating a channel by name. One window at a
// time: opening it again brings it to the front. GUI thread, except Open.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "protocol/chat_messages.h"

namespace tandril::chat {

class Channels;

inline constexpr const char* kChannelListPlaceholder = "Populating...";

struct ChannelListRow {
    std::string name;
    long long users = 0;
    std::string topic;
    int image = 0;
};

class ChannelList : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kImageRole = Qt::UserRole + 1;

    explicit ChannelList(Channels& channels);

    // Opens the window (root view, the placeholder row, 617 sent), or brings it to the front.
    // From any thread.
    void Open();
    // "&Fermer", or after a join: the rows are dropped and the window goes.
    void Close();
    bool IsOpen() const { return open_; }
    bool RootView() const { return rootView_; }
    bool ShowsPlaceholder() const { return placeholder_; }
    const std::vector<ChannelListRow>& Rows() const { return rows_; }

    // One channel from 618 or 828: ignored while the window is closed or when the name is listed
    // already; otherwise placed before the first name that is not less than it (any case).
    void AddEntry(const std::string& name, long long users, const std::string& topic, int image);
    // The view button: from the root view to the full one (827) and back (617), rows cleared.
    void ToggleView();
    // Another column than last time sorts ascending; the same one again descending, then forgotten.
    void HeaderClicked(int column);
    int LastSortColumn() const { return lastSortColumn_; }
    bool SortDescending() const { return descending_; }
    // "&Rejoindre" and a double-click: every selected row joined (or its window shown), then the
    // window closes.
    void Join(const std::vector<int>& rows);
    // "C&réer": the name typed (24 characters, trimmed) joined and the window closed; an empty
    // name is refused with an alert and the window stays. False when refused.
    bool Create(const std::string& typed);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

Q_SIGNALS:
    void opened();
    void raiseRequested();
    void closed();
    // The view button's label changed ("View All" in the root view, "View Root" in the full one).
    void viewChanged();

private:
    void OpenOnGuiThread();
    void ShowPlaceholder();

    Channels& channels_;
    bool open_ = false;
    bool rootView_ = true;
    bool placeholder_ = false;
    int lastSortColumn_ = -1;
    bool descending_ = true;
    std::vector<ChannelListRow> rows_;
};

// The chat page's Invite command: asks whom to invite to the current channel, sends 430 and says so.
void InviteToChannel(Channels& channels);
// 430 from the server: the invitation question, unless a field is missing or the channel's window
// exists; accepted (431, then 400, the chat page shown), declined (432) or the inviter ignored.
void OnInvitation(Channels& channels, const protocol::Invitation& invitation);

}  // namespace tandril::chat
