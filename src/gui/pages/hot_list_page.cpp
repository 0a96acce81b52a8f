#include "gui/pages/hot_list_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/client.h"
#include "browse/browse_actions.h"
#include "chat/hot_list.h"
#include "gui/browse/browse_model.h"
#include "gui/chat/chat_view_widget.h"
#include "gui/main_window.h"
#include "gui/people_prompts.h"
#include "gui/speed_icon.h"
#include "session/hot_list.h"
#include "session/instant_messages.h"
#include "session/user_actions.h"
#include "session/user_requests.h"

namespace tandril::gui {

namespace {

void Fill(QTreeWidget* list, const std::vector<chat::HotListRow>& rows) {
    std::vector<QString> selected;
    for (QTreeWidgetItem* item : list->selectedItems()) selected.push_back(item->text(0));
    list->clear();
    for (const chat::HotListRow& row : rows) {
        auto* item = new QTreeWidgetItem(list, {QString::fromStdString(row.name)});
        if (row.image >= 0) item->setIcon(0, LineSpeedIcon(row.image));
        if (std::find(selected.begin(), selected.end(), item->text(0)) != selected.end()) item->setSelected(true);
    }
}

}  // namespace

HotListPage::HotListPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("HotListPage"));
    online_ = MakeList("Online", true);
    offline_ = MakeList("Offline", false);

    browser_ = new QTreeView(this);
    browser_->setObjectName(QStringLiteral("HotListBrowser"));
    browser_->setRootIsDecorated(false);
    browser_->setUniformRowHeights(true);  // a list of many thousand files is laid out without measuring each row
    browser_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    browser_->setContextMenuPolicy(Qt::CustomContextMenu);
    browserModel_ = new BrowseModel(client.browse.view, this);
    browser_->setModel(browserModel_);
    const int widths[] = {280, 70, 50, 65, 50};
    for (int column = 0; column < 5; ++column) browser_->setColumnWidth(column, widths[column]);

    userField_ = new QLineEdit(this);
    userField_->setObjectName(QStringLiteral("HotListUser"));
    userField_->setMaxLength(19);
    browse_ = new QPushButton(QStringLiteral("&Parcourir"), this);
    add_ = new QPushButton(QStringLiteral("&Ajouter un Utilisateur"), this);
    info_ = new ChatViewWidget(
        client.hotList.InfoView(), [&client](const QUrl& url) { client.ui.OpenUrl(url.toString().toStdString()); }, this);
    info_->SetSingleLine(true);
    info_->ApplyScheme(client.schemes.Current());
    QPalette p = info_->palette();
    p.setColor(QPalette::Base, QColor(157, 157, 157));
    info_->setPalette(p);

    auto* lists = new QVBoxLayout;
    lists->addWidget(new QLabel(QStringLiteral("Online"), this));
    lists->addWidget(online_, 1);
    lists->addWidget(new QLabel(QStringLiteral("Offline"), this));
    lists->addWidget(offline_, 1);
    lists->addWidget(add_);
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(new QLabel(QStringLiteral("Utilisateur :"), this));
    userRow->addWidget(userField_, 1);
    userRow->addWidget(browse_);
    auto* right = new QVBoxLayout;
    right->addLayout(userRow);
    right->addWidget(browser_, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(lists);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(info_);

    connect(add_, &QPushButton::clicked, this, [this] {
        if (auto* w = qobject_cast<MainWindow*>(window())) PromptAddHotListUser(*w);
    });
    connect(browse_, &QPushButton::clicked, this, [this] {
        std::string user = userField_->text().trimmed().toStdString();
        if (!user.empty()) session::BrowseUser(client_.session, user);
    });
    connect(online_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { session::BrowseUser(client_.session, item->text(0).toStdString()); });
    connect(browser_, &QTreeView::doubleClicked, this, [this] { browse::DownloadBrowsed(client_.browse, SelectedFiles()); });
    connect(browser_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (SelectedFiles().empty()) return;
        QMenu menu(this);
        FillBrowserMenu(menu);
        menu.exec(browser_->viewport()->mapToGlobal(at));
    });
    connect(&client.hotList, &chat::HotList::changed, this, &HotListPage::Redraw);
    connect(&client.hotList, &chat::HotList::browserCleared, this, &HotListPage::ClearBrowser);
    Redraw();
}

QTreeWidget* HotListPage::MakeList(const char* title, bool online) {
    auto* list = new QTreeWidget(this);
    list->setObjectName(QString::fromUtf8(title));
    list->setHeaderLabels({QString::fromUtf8(title)});
    list->setHeaderHidden(true);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setColumnWidth(0, 95);
    list->setFixedWidth(125);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list, online](const QPoint& at) {
        if (Selected(online).empty()) return;
        QMenu menu(this);
        FillMenu(menu, online);
        menu.exec(list->viewport()->mapToGlobal(at));
    });
    return list;
}

std::vector<std::string> HotListPage::Selected(bool online) const {
    std::vector<std::string> names;
    QTreeWidget* list = online ? online_ : offline_;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->isSelected()) names.push_back(list->topLevelItem(row)->text(0).toStdString());
    }
    return names;
}

void HotListPage::FillMenu(QMenu& menu, bool online) {
    const std::vector<std::string> users = Selected(online);
    if (users.empty()) return;
    const std::string first = users.front();
    auto remove = [this, users] { session::RemoveHotListUsers(client_.session, users); };
    auto info = [this, first] { session::RequestUserInfo(client_.session, first); };
    if (online) {
        menu.addAction(QStringLiteral("&Envoyer un Message Instantané"), this,
                       [this, first] { session::OpenInstantMessage(client_.session, first); });
        menu.addAction(QStringLiteral("&Voir les Infos sur l'Utilisateur"), this, info);
        menu.addAction(QStringLiteral("&Parcourir les Fichiers"), this, [this, first] { session::BrowseUser(client_.session, first); });
        menu.addSeparator();
        menu.addAction(QStringLiteral("&Effacer l'Utilisateur"), this, remove);
    } else {
        menu.addAction(QStringLiteral("&Effacer l'Utilisateur"), this, remove);
        menu.addAction(QStringLiteral("&Voir les Infos sur l'Utilisateur"), this, info);
    }
}

std::vector<std::size_t> HotListPage::SelectedFiles() const {
    std::vector<std::size_t> files;
    for (const QModelIndex& index : browser_->selectionModel()->selectedRows()) {
        if (std::ptrdiff_t record = BrowseModel::RecordOf(index); record >= 0) files.push_back(static_cast<std::size_t>(record));
    }
    std::sort(files.begin(), files.end());
    return files;
}

void HotListPage::FillBrowserMenu(QMenu& menu) {
    const std::vector<std::size_t> files = SelectedFiles();
    if (files.empty()) return;
    menu.addAction(QStringLiteral("&Télécharger"), this, [this, files] { browse::DownloadBrowsed(client_.browse, files); });
    menu.addAction(QStringLiteral("&Jouer le Fichier!"), this, [this, files] { browse::PlayBrowsed(client_.browse, files.front()); });
}

void HotListPage::Redraw() {
    Fill(online_, client_.hotList.OnlineRows());
    Fill(offline_, client_.hotList.OfflineRows());
    QString field = QString::fromStdString(client_.hotList.UserField());
    if (!field.isEmpty() && userField_->text() != field) userField_->setText(field);
}

void HotListPage::ClearBrowser() {
    client_.browse.view.Clear();
    userField_->clear();
}

}  // namespace tandril::gui
