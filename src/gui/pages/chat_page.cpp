#include "gui/pages/chat_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include "app/client.h"
#include "chat/channel_list.h"
#include "chat/chat_commands.h"
#include "gui/chat/chat_input.h"
#include "gui/chat/chat_view_widget.h"
#include "gui/list_columns.h"
#include "gui/pages/channel_list_window.h"
#include "session/user_actions.h"

namespace tandril::gui {

ChatWindowPage::ChatWindowPage(Client& client, chat::ChannelWindow& window, const std::function<void(const QUrl&)>& openUrl,
                               QWidget* parent)
    : QWidget(parent), client_(client), window_(window) {
    setObjectName(QString::fromStdString(window.name));
    topic_ = new ChatViewWidget(window.topicView, openUrl, this);
    topic_->SetSingleLine(true);
    view_ = new ChatViewWidget(window.chatView, openUrl, this);
    input_ = new ChatInput(window.input, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(topic_);
    if (window.users) {
        // A channel: the chat view beside the user list, the count line under the list.
        auto* split = new QSplitter(Qt::Horizontal, this);
        split->addWidget(view_);
        auto* side = new QWidget(split);
        auto* sideLayout = new QVBoxLayout(side);
        sideLayout->setContentsMargins(0, 0, 0, 0);
        users_ = new QTableView(side);
        users_->setObjectName(QStringLiteral("UserList"));
        users_->setModel(window.users.get());
        users_->setSelectionBehavior(QAbstractItemView::SelectRows);
        users_->verticalHeader()->hide();
        users_->verticalHeader()->setDefaultSectionSize(users_->fontMetrics().height() + 4);
        users_->horizontalHeader()->setSectionsClickable(true);
        new ListColumns(users_, {{75, ColumnFit::Stretch}, {50}, {60}});
        connect(users_->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int column) { window_.users->HeaderClicked(column); });
        users_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(users_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { ShowUserMenu(at); });
        // A double-click talks to the user: their instant-message window.
        connect(users_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
            const auto& rows = window_.users->Rows();
            if (index.row() >= 0 && index.row() < static_cast<int>(rows.size()))
                session::RunUserAction(client_.session, session::UserAction::InstantMessage,
                                       rows[static_cast<std::size_t>(index.row())]->name);
        });
        count_ = new ChatViewWidget(window.userCountView, openUrl, side);
        count_->SetSingleLine(true);
        sideLayout->addWidget(users_, 1);
        sideLayout->addWidget(count_);
        split->addWidget(side);
        split->setStretchFactor(0, 3);
        split->setStretchFactor(1, 1);
        layout->addWidget(split, 1);
    } else {
        layout->addWidget(view_, 1);
    }
    layout->addWidget(input_);
    connect(input_, &ChatInput::lineEntered, this,
            [this](const QString& line) { chat::RunChatLine(client_.channels, window_, line.toStdString()); });
    ApplyScheme();
}

// The user list's menu: each entry acts on the selected users. The entries whose part is not there
// yet are shown greyed.
void ChatWindowPage::ShowUserMenu(const QPoint& at) {
    std::vector<std::string> selected;
    for (const QModelIndex& index : users_->selectionModel()->selectedRows()) {
        const auto& rows = window_.users->Rows();
        if (index.row() >= 0 && index.row() < static_cast<int>(rows.size()))
            selected.push_back(rows[static_cast<std::size_t>(index.row())]->name);
    }
    if (selected.empty()) return;
    using session::UserAction;
    QMenu menu(this);
    auto add = [&](const char* label, UserAction action, bool firstOnly) {
        QAction* item = menu.addAction(QString::fromUtf8(label));
        item->setEnabled(session::UserActionAvailable(client_.session, action));
        connect(item, &QAction::triggered, this, [this, action, firstOnly, selected] {
            for (const auto& user : selected) {
                session::RunUserAction(client_.session, action, user);
                if (firstOnly) break;
            }
        });
    };
    add("&Envoyer un message Instantané", UserAction::InstantMessage, true);
    add("&Ajouter aux Favoris", UserAction::AddToHotList, false);
    add("Parcourir les Fichiers", UserAction::Browse, false);
    add("&Voir les Infos sur l'Utilisateur", UserAction::UserInformation, false);
    menu.addSeparator();
    add("&Ignorer l'Utilisateur", UserAction::Ignore, false);
    add("&Ne plus Ignorer l'Utilisateur", UserAction::Unignore, false);
    menu.exec(users_->viewport()->mapToGlobal(at));
}

void ChatWindowPage::ApplyScheme() {
    const chat::ColorScheme& scheme = client_.schemes.Current();
    topic_->ApplyScheme(scheme);
    view_->ApplyScheme(scheme);
    if (count_) count_->ApplyScheme(scheme);
    QPalette p = input_->palette();
    std::uint32_t background = scheme.background, text = scheme.SchemeColor("Input");
    p.setColor(QPalette::Base, QColor(chat::Red(background), chat::Green(background), chat::Blue(background)));
    p.setColor(QPalette::Text, QColor(chat::Red(text), chat::Green(text), chat::Blue(text)));
    input_->setPalette(p);
    client_.chat.SetTopic(window_, window_.topic);  // drawn again in the scheme's colours
}

ChatPage::ChatPage(Client& client, std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QWidget(parent), client_(client), openUrl_(openUrl) {
    setObjectName(QStringLiteral("ChatPage"));
    stack_ = new QStackedWidget(this);
    personal_ = new ChatWindowPage(client, client.chat.Personal(), openUrl, stack_);
    stack_->addWidget(personal_);
    tabs_ = new QTabBar(this);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->addTab(QString::fromLatin1(chat::kPrivateWindow));
    rooms_ = new QPushButton(QStringLiteral("Salles de discussion"), this);
    invite_ = new QPushButton(QStringLiteral("&Inviter"), this);
    leave_ = new QPushButton(QStringLiteral("Quitter Salle"), this);
    // While "Private" is the only window there is nothing to switch to, invite to or leave.
    tabs_->setVisible(false);
    invite_->setEnabled(false);
    leave_->setEnabled(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(tabs_, 1);
    bottom->addStretch();
    bottom->addWidget(rooms_);
    bottom->addWidget(invite_);
    bottom->addWidget(leave_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stack_, 1);
    layout->addLayout(bottom);

    connect(rooms_, &QPushButton::clicked, this, [this] {
        if (!client_.state.connected) {
            client_.ui.ShowAlert(AlertKind::Modal, "You must first connect to the server!");
            return;
        }
        client_.channels.list.Open();
    });
    connect(invite_, &QPushButton::clicked, this, [this] { chat::InviteToChannel(client_.channels); });
    connect(leave_, &QPushButton::clicked, this, [this] { client_.channels.Leave(client_.chat.Current()); });
    connect(tabs_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (auto* page = qobject_cast<ChatWindowPage*>(stack_->widget(index))) client_.chat.Activate(page->Window());
    });
    connect(&client.chat, &chat::ChatWindows::windowCreated, this, &ChatPage::AddWindow);
    connect(&client.chat, &chat::ChatWindows::windowClosing, this, &ChatPage::RemoveWindow);
    connect(&client.chat, &chat::ChatWindows::currentChanged, this, &ChatPage::ShowCurrent);
    connect(&client.chat, &chat::ChatWindows::schemeApplied, this, [this] {
        for (int i = 0; i < stack_->count(); ++i) {
            if (auto* page = qobject_cast<ChatWindowPage*>(stack_->widget(i))) page->ApplyScheme();
        }
    });
    new ChannelListWindow(client, this);
}

ChatWindowPage* ChatPage::PageOf(const chat::ChannelWindow* window) const {
    for (int i = 0; i < stack_->count(); ++i) {
        auto* page = qobject_cast<ChatWindowPage*>(stack_->widget(i));
        if (page && &page->Window() == window) return page;
    }
    return nullptr;
}

void ChatPage::AddWindow(chat::ChannelWindow* window) {
    auto* page = new ChatWindowPage(client_, *window, openUrl_, stack_);
    stack_->addWidget(page);
    tabs_->addTab(QString::fromStdString(window->name));
    ShowCurrent();
}

void ChatPage::RemoveWindow(chat::ChannelWindow* window) {
    ChatWindowPage* page = PageOf(window);
    if (!page) return;
    int index = stack_->indexOf(page);
    tabs_->removeTab(index);
    stack_->removeWidget(page);
    // The window's views go with it: the page must not outlive them.
    delete page;
    QMetaObject::invokeMethod(
        this, [this] { ShowCurrent(); }, Qt::QueuedConnection);
}

// The tab strip, "&Inviter" and "Quitter Salle" are there while a channel window is.
void ChatPage::ShowCurrent() {
    bool channels = stack_->count() > 1;
    tabs_->setVisible(channels);
    invite_->setEnabled(channels);
    leave_->setEnabled(channels);
    if (ChatWindowPage* page = PageOf(&client_.chat.Current())) {
        int index = stack_->indexOf(page);
        stack_->setCurrentIndex(index);
        tabs_->setCurrentIndex(index);
    }
}

}  // namespace tandril::gui
