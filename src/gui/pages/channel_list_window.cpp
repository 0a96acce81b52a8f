#include "gui/pages/channel_list_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/client.h"
#include "chat/channel_list.h"
#include "gui/list_columns.h"

namespace tandril::gui {

ChannelListWindow::ChannelListWindow(Client& client, QWidget* parent) : QDialog(parent), client_(client) {
    setObjectName(QStringLiteral("ChannelListWindow"));
    setWindowTitle(QStringLiteral("Salles de discussions de Tandril"));
    chat::ChannelList& list = client.channels.list;
    table_ = new QTableView(this);
    table_->setModel(&list);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    new ListColumns(table_, {{90}, {70}, {220, ColumnFit::Stretch}});
    table_->horizontalHeader()->setSectionsClickable(true);
    auto* join = new QPushButton(QStringLiteral("&Rejoindre"), this);
    auto* close = new QPushButton(QStringLiteral("&Fermer"), this);
    view_ = new QPushButton(QStringLiteral("View All"), this);
    createToggle_ = new QPushButton(QStringLiteral("Create >>"), this);
    createArea_ = new QWidget(this);
    name_ = new QLineEdit(createArea_);
    name_->setMaxLength(24);
    auto* create = new QPushButton(QStringLiteral("C&réer"), createArea_);
    auto* createLayout = new QHBoxLayout(createArea_);
    createLayout->setContentsMargins(0, 0, 0, 0);
    createLayout->addWidget(new QLabel(QStringLiteral("Canal à créer :"), createArea_));
    createLayout->addWidget(name_, 1);
    createLayout->addWidget(create);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(join);
    buttons->addWidget(close);
    buttons->addWidget(view_);
    buttons->addStretch();
    buttons->addWidget(createToggle_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    layout->addWidget(createArea_);
    SetCreateShown(false);
    resize(460, 320);  // the three columns with their whole titles, without a scroll bar

    connect(join, &QPushButton::clicked, this, &ChannelListWindow::JoinSelected);
    connect(table_, &QTableView::doubleClicked, this, &ChannelListWindow::JoinSelected);
    connect(close, &QPushButton::clicked, &list, &chat::ChannelList::Close);
    connect(view_, &QPushButton::clicked, &list, &chat::ChannelList::ToggleView);
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, &list, &chat::ChannelList::HeaderClicked);
    connect(createToggle_, &QPushButton::clicked, this, [this] { SetCreateShown(!createArea_->isVisible()); });
    auto createTyped = [this] { client_.channels.list.Create(name_->text().toStdString()); };
    connect(create, &QPushButton::clicked, this, createTyped);
    connect(name_, &QLineEdit::returnPressed, this, createTyped);
    connect(&list, &chat::ChannelList::opened, this, [this] {
        SetCreateShown(false);
        show();
        raise();
    });
    connect(&list, &chat::ChannelList::raiseRequested, this, [this] {
        show();
        raise();
        activateWindow();
    });
    connect(&list, &chat::ChannelList::closed, this, &QDialog::hide);
    connect(&list, &chat::ChannelList::viewChanged, this,
            [this] { view_->setText(client_.channels.list.RootView() ? QStringLiteral("View All") : QStringLiteral("View Root")); });
    // The window's own close box closes the list as "&Fermer" does.
    connect(this, &QDialog::rejected, &list, &chat::ChannelList::Close);
}

void ChannelListWindow::JoinSelected() {
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
    client_.channels.list.Join(rows);
}

void ChannelListWindow::SetCreateShown(bool shown) {
    createArea_->setVisible(shown);
    name_->setEnabled(shown);
    createToggle_->setText(shown ? QStringLiteral("Create <<") : QStringLiteral("Create >>"));
    if (shown) name_->setFocus();
}

}  // namespace tandril::gui
