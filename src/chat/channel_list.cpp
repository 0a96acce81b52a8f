#include "chat/channel_list.h"

#include <algorithm>

#include "base/column_headers.h"
#include "base/text.h"
#include "chat/channels.h"

namespace tandril::chat {

using namespace protocol;

namespace {

bool NameLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
    });
}

}  // namespace

ChannelList::ChannelList(Channels& channels) : channels_(channels) {}

void ChannelList::Open() {
    channels_.rt.gui.RunOrPost([this] { OpenOnGuiThread(); });
}

void ChannelList::OpenOnGuiThread() {
    if (open_) {
        Q_EMIT raiseRequested();
        return;
    }
    open_ = true;
    lastSortColumn_ = -1;
    descending_ = true;
    rootView_ = true;
    ShowPlaceholder();
    Send(channels_.sender, ChannelListRequest{});
    Q_EMIT opened();
    Q_EMIT viewChanged();
}

void ChannelList::ShowPlaceholder() {
    beginResetModel();
    rows_.clear();
    placeholder_ = true;
    endResetModel();
}

void ChannelList::Close() {
    if (!open_) return;
    open_ = false;
    beginResetModel();
    rows_.clear();
    placeholder_ = false;
    endResetModel();
    Q_EMIT closed();
}

void ChannelList::AddEntry(const std::string& name, long long users, const std::string& topic, int image) {
    if (!open_) return;
    if (placeholder_) {
        beginResetModel();
        placeholder_ = false;
        rows_.clear();
        endResetModel();
    }
    if (std::any_of(rows_.begin(), rows_.end(), [&](const ChannelListRow& r) { return r.name == name; })) return;
    auto at = std::find_if(rows_.begin(), rows_.end(), [&](const ChannelListRow& r) { return !NameLess(r.name, name); });
    int row = static_cast<int>(at - rows_.begin());
    beginInsertRows({}, row, row);
    rows_.insert(at, ChannelListRow{name, users, topic, image});
    endInsertRows();
}

void ChannelList::ToggleView() {
    if (!open_) return;
    rootView_ = !rootView_;
    ShowPlaceholder();
    if (rootView_) {
        Send(channels_.sender, ChannelListRequest{});
    } else {
        Send(channels_.sender, FullChannelListRequest{});
    }
    Q_EMIT viewChanged();
}

void ChannelList::HeaderClicked(int column) {
    if (column < 0 || column > 2) return;
    if (column != lastSortColumn_) {
        descending_ = false;
        lastSortColumn_ = column;
    } else {
        descending_ = true;
        lastSortColumn_ = -1;
    }
    if (placeholder_) return;
    // The user count compares as a number; the name and the topic columns both by channel name.
    auto before = [&](const ChannelListRow& a, const ChannelListRow& b) {
        const ChannelListRow& x = descending_ ? b : a;
        const ChannelListRow& y = descending_ ? a : b;
        return column == 1 ? x.users < y.users : NameLess(x.name, y.name);
    };
    Q_EMIT layoutAboutToBeChanged();
    std::stable_sort(rows_.begin(), rows_.end(), before);
    Q_EMIT layoutChanged();
}

void ChannelList::Join(const std::vector<int>& selected) {
    if (!open_) return;
    if (!placeholder_) {
        std::vector<std::string> names;
        for (int row : selected) {
            if (row >= 0 && row < static_cast<int>(rows_.size())) names.push_back(CutText(rows_[static_cast<std::size_t>(row)].name, 24));
        }
        for (const auto& name : names) channels_.JoinOrShow(name);
    }
    Close();
}

bool ChannelList::Create(const std::string& typed) {
    std::string name(Trim(CutText(typed, 24)));
    if (name.empty()) {
        channels_.rt.ui.ShowAlert(AlertKind::Modal, "Must specify a channel name to join!");
        return false;
    }
    Send(channels_.sender, JoinChannel{name});
    Close();
    return true;
}

int ChannelList::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return placeholder_ ? 1 : static_cast<int>(rows_.size());
}

int ChannelList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant ChannelList::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (placeholder_) {
        if (role == Qt::DisplayRole && index.column() == 0) return QString::fromLatin1(kChannelListPlaceholder);
        return {};
    }
    if (index.row() >= static_cast<int>(rows_.size())) return {};
    const ChannelListRow& r = rows_[static_cast<std::size_t>(index.row())];
    if (role == kImageRole) return r.image;
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case 0:
            return QString::fromStdString(r.name);
        case 1:
            return QString::fromStdString(GroupThousands(std::to_string(r.users)));
        case 2:
            return QString::fromStdString(r.topic);
        default:
            return {};
    }
}

QVariant ChannelList::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeaders[] = {"Channel Name", "User Count", "Channel Topic"};
    return ColumnHeader(kHeaders, section, orientation, role);
}

void InviteToChannel(Channels& channels) {
    ChannelWindow& current = channels.windows.Current();
    if (current.IsPersonal()) return;
    std::string channel = current.name;
    auto typed = channels.rt.ui.AskText(Format(255, "Invite user to channel '%s'", channel.c_str()), "User to invite:", 19);
    if (!typed) return;
    std::string user(Trim(*typed));
    if (user.empty()) return;
    Send(channels.sender, InvitationRequest{user, channel});
    channels.windows.ShowSystemLine(channel, Format(255, "Inviting user %s to channel '%s'.", user.c_str(), channel.c_str()));
}

void OnInvitation(Channels& channels, const Invitation& m) {
    if (channels.windows.Find(m.channel)) return;
    switch (channels.rt.ui.AskInvitation(m.inviter, m.channel, m.topic, static_cast<bool>(channels.ignoreUser))) {
        case UiPort::InvitationChoice::Accept:
            Send(channels.sender, InvitationAccepted{m.inviter, m.channel});
            Send(channels.sender, JoinChannel{m.channel});
            channels.rt.main.ShowPage(MainViewModel::ChatPage);
            break;
        case UiPort::InvitationChoice::IgnoreUser:
            if (channels.ignoreUser) channels.ignoreUser(m.inviter);
            [[fallthrough]];
        case UiPort::InvitationChoice::Decline:
            Send(channels.sender, InvitationDeclined{m.payload});
            break;
    }
}

}  // namespace tandril::chat
