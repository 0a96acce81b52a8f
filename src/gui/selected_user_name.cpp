#include "gui/selected_user_name.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include "app/client.h"
#include "base/text.h"
#include "chat/channel_users.h"
#include "gui/main_window.h"
#include "gui/pages/chat_page.h"
#include "gui/pages/hot_list_page.h"
#include "gui/pages/search_page.h"
#include "gui/pages/transfers_page.h"
#include "search/search_result.h"
#include "transfer/transfers.h"

namespace tandril::gui {

namespace {

constexpr std::size_t kNameWidth = 19;

std::string FromChatPage(Client& client, ChatPage& page) {
    ChatWindowPage* current = page.PageOf(&client.chat.Current());
    if (!current || !current->UserList() || !current->Window().users) return {};
    QModelIndexList rows = current->UserList()->selectionModel()->selectedRows();
    if (rows.isEmpty()) return {};
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    const auto& users = current->Window().users->Rows();
    const int row = rows.front().row();
    return row >= 0 && row < static_cast<int>(users.size()) ? users[static_cast<std::size_t>(row)]->name : std::string();
}

std::string FromTransfersPage(Client& client, TransfersPage& page) {
    const bool outbound = page.LastFocusedOutbound();
    std::vector<std::uint32_t> ids = page.SelectedRows(outbound);
    if (ids.empty()) return {};
    auto summary = transfer::SummariseTransfer(client.transfers, outbound, ids.front());
    return summary ? summary->nick : std::string();
}

}  // namespace

std::string SelectedUserName(MainWindow& window) {
    Client& client = window.client();
    QWidget* page = window.Tabs()->currentWidget();
    std::string name;
    if (auto* chat = qobject_cast<ChatPage*>(page)) {
        name = FromChatPage(client, *chat);
    } else if (auto* search = qobject_cast<SearchPage*>(page)) {
        if (search->Results()->isVisibleTo(search)) {
            auto results = search->SelectedResults();
            if (!results.empty()) name = results.front().user;
        }
    } else if (auto* hot = qobject_cast<HotListPage*>(page)) {
        name = hot->UserField()->text().trimmed().toStdString();
    } else if (auto* transfers = qobject_cast<TransfersPage*>(page)) {
        name = FromTransfersPage(client, *transfers);
    }
    return CutText(name, kNameWidth);
}

}  // namespace tandril::gui
