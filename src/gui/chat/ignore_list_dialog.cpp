#include "gui/chat/ignore_list_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QVBoxLayout>

#include "app/client.h"
#include "gui/main_window.h"
#include "gui/selected_user_name.h"
#include "session/ignore_list.h"

namespace tandril::gui {

IgnoreListDialog::IgnoreListDialog(Client& client, std::function<std::string()> selectedUser, QWidget* parent)
    : QDialog(parent), client_(client) {
    setObjectName(QStringLiteral("IgnoreListDialog"));
    setWindowTitle(QStringLiteral("Liste des Utilisateurs à Ignorer"));
    list_ = new QTreeWidget(this);
    list_->setHeaderLabels({QStringLiteral("User Name")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* add = new QPushButton(QStringLiteral("&Ajouter"), this);
    auto* remove = new QPushButton(QStringLiteral("&Effacer"), this);
    auto* clear = new QPushButton(QStringLiteral("&Vider"), this);
    auto* close = new QPushButton(QStringLiteral("&Fermer"), this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, clear, close}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(360, 280);

    connect(&client_.ignoreList, &chat::IgnoreList::rowsChanged, this, &IgnoreListDialog::ShowRows);
    connect(add, &QPushButton::clicked, this, [this, selectedUser = std::move(selectedUser)] {
        bool ok = false;
        QString name = QInputDialog::getText(this, QStringLiteral("Ignore User"), QStringLiteral("User to ignore:"), QLineEdit::Normal,
                                             QString::fromStdString(selectedUser ? selectedUser() : std::string()), &ok);
        name = name.left(19);
        if (ok && !name.trimmed().isEmpty()) session::IgnoreFromDialog(client_.session, name.toStdString());
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        std::vector<std::string> users;
        for (QTreeWidgetItem* item : list_->selectedItems()) users.push_back(item->text(0).toStdString());
        session::UnignoreFromDialog(client_.session, users);
    });
    connect(clear, &QPushButton::clicked, this, [this] { session::ClearIgnoreList(client_.session); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    ShowRows();
}

IgnoreListDialog::~IgnoreListDialog() {
    session::CloseIgnoreListDialog(client_.session);
}

void IgnoreListDialog::ShowRows() {
    list_->clear();
    for (const std::string& row : client_.ignoreList.Rows()) list_->addTopLevelItem(new QTreeWidgetItem({QString::fromStdString(row)}));
}

void ShowIgnoreList(MainWindow& main) {
    if (!session::OpenIgnoreListDialog(main.client().session)) return;
    IgnoreListDialog dialog(
        main.client(), [&main] { return SelectedUserName(main); }, &main);
    dialog.move(main.geometry().center() - dialog.rect().center());
    dialog.exec();
}

}  // namespace tandril::gui
