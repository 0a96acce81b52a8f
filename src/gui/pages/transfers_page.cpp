#include "gui/pages/transfers_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/client.h"
#include "gui/incomplete_files_dialog.h"
#include "gui/list_columns.h"
#include "gui/transfer/transfer_model.h"
#include "session/instant_messages.h"
#include "session/result_actions.h"
#include "session/user_actions.h"
#include "session/user_requests.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"

namespace tandril::gui {

namespace {

QColor SchemeColorOf(Client& c, const char* item) {
    const std::uint32_t rgb = c.schemes.Current().SchemeColor(item);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

}  // namespace

TransfersPage::TransfersPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("TransfersPage"));
    inbound_ = MakeList(false);
    outbound_ = MakeList(true);
    inboundInfo_ = new QLabel(this);
    outboundInfo_ = new QLabel(this);
    inboundInfo_->setObjectName(QStringLiteral("InboundInfo"));
    outboundInfo_->setObjectName(QStringLiteral("OutboundInfo"));
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    auto* clear = new QPushButton(QStringLiteral("Effacer les Tranferts Terminés"), this);
    cancel->setObjectName(QStringLiteral("CancelTransfers"));
    clear->setObjectName(QStringLiteral("ClearFinished"));
    connect(cancel, &QPushButton::clicked, this, &TransfersPage::CancelSelected);
    connect(clear, &QPushButton::clicked, this, [this] { transfer::ClearFinishedTransfers(client_.transfers); });
    auto* incomplete = new QPushButton(QStringLiteral("Fichiers à reprendre"), this);
    incomplete->setObjectName(QStringLiteral("IncompleteFiles"));
    connect(incomplete, &QPushButton::clicked, this, [this] { IncompleteFilesDialog::Open(client_, this); });
    connect(&client.transfers.view, &transfer::TransferView::infoChanged, this, &TransfersPage::ShowInfo, Qt::QueuedConnection);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(inboundInfo_, 1);
    buttons->addWidget(incomplete);
    buttons->addWidget(cancel);
    buttons->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(inbound_, 1);
    layout->addLayout(buttons);
    layout->addWidget(outbound_, 1);
    layout->addWidget(outboundInfo_);
    transfer::ShowTransferCounters(client_.transfers);
    ShowInfo();
}

QTreeView* TransfersPage::MakeList(bool outbound) {
    auto* list = new QTreeView(this);
    list->setObjectName(outbound ? QStringLiteral("OutboundList") : QStringLiteral("InboundList"));
    list->setModel(new TransferModel(client_.transfers.view, outbound, list));
    list->setItemDelegateForColumn(
        transfer::kProgressColumn,
        new ProgressBarDelegate(
            [this, outbound] { return SchemeColorOf(client_, outbound ? "Progress bar (upload)" : "Progress bar (download)"); }, list));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->installEventFilter(this);
    // The bar keeps its width; sizes ("1,048,576 of 3,145,728"), states and rates are shown whole.
    new ListColumns(list, {{175, ColumnFit::Stretch}, {140}, {80}, {100}, {60}, {100, ColumnFit::Fixed}, {70}, {80}});
    connect(list, &QWidget::customContextMenuRequested, this, [this, outbound](const QPoint& at) { ShowMenu(outbound, at); });
    return list;
}

std::vector<std::uint32_t> TransfersPage::SelectedRows(bool outbound) const {
    std::vector<std::uint32_t> ids;
    QModelIndexList rows = List(outbound)->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) ids.push_back(index.data(TransferModel::kRowIdRole).toUInt());
    return ids;
}

void TransfersPage::CancelSelected() {
    transfer::CancelTransfers(client_.transfers, lastOutbound_, SelectedRows(lastOutbound_));
}

void TransfersPage::ShowInfo() {
    auto [inbound, outbound] = client_.transfers.view.Info();
    inboundInfo_->setText(QString::fromStdString(inbound));
    outboundInfo_->setText(QString::fromStdString(outbound));
}

void TransfersPage::ShowMenu(bool outbound, const QPoint& at) {
    QMenu menu(this);
    FillMenu(menu, outbound);
    menu.exec(List(outbound)->viewport()->mapToGlobal(at));
}

void TransfersPage::FillMenu(QMenu& menu, bool outbound) {
    const std::vector<std::uint32_t> ids = SelectedRows(outbound);
    auto clearFinished = [this] { transfer::ClearFinishedTransfers(client_.transfers); };
    if (ids.empty()) {
        menu.addAction(QStringLiteral("&Effacer les Transferts Terminés"), this, clearFinished);
        return;
    }
    const bool many = !outbound && ids.size() >= 2;
    auto label = [many](const char* one, const char* several) { return QString::fromUtf8(many ? several : one); };
    auto nicks = [this, outbound, ids] {
        std::vector<std::string> users;
        for (std::uint32_t id : ids) {
            if (auto s = transfer::SummariseTransfer(client_.transfers, outbound, id)) users.push_back(s->nick);
        }
        return users;
    };
    QAction* play = menu.addAction(label("&Jouer le Fichier!", "&Play File!"), this,
                                   [this, outbound, ids] { session::PlayTransfer(client_.session, outbound, ids.front()); });
    play->setEnabled(!many);
    if (!outbound) {
        menu.addAction(QStringLiteral("&Force Transfer (if queued)"), this,
                       [this, ids] { transfer::ForceTransfer(client_.transfers, ids); });
        QMenu* priority = menu.addMenu(label("&Priorité", "&Prioritize"));
        using transfer::QueueMove;
        const std::pair<QueueMove, std::pair<const char*, const char*>> moves[] = {
            {QueueMove::Up, {"Faire &Monter", "Move &Up"}},
            {QueueMove::Down, {"Faire D&escendre", "Move &Down"}},
            {QueueMove::Top, {"Déplacer au &Début", "Move to &Top"}},
            {QueueMove::Bottom, {"Déplacer à la &Fin", "Move to &Bottom"}},
        };
        for (const auto& [move, texts] : moves) {
            priority->addAction(label(texts.first, texts.second), this,
                                [this, move, ids] { transfer::MoveInQueue(client_.transfers, move, ids); });
        }
    }
    menu.addAction(outbound ? QStringLiteral("&Annuler le Transfert") : label("&Annuler le Transfert", "&Cancel Transfer"), this,
                   [this, outbound, ids] { transfer::CancelTransfers(client_.transfers, outbound, ids); });
    menu.addAction(
        outbound ? QStringLiteral("&Effacer/Arrêter le Transfert") : label("E&ffacer/Arrêter le Transfert", "&Delete/Abort Transfer"), this,
        [this, outbound, ids] { transfer::DeleteTransfers(client_.transfers, outbound, ids); });
    menu.addAction(label("Envoyer un &Message Instantané", "Instant &Message"), this, [this, nicks] {
        for (const std::string& nick : nicks()) session::OpenInstantMessage(client_.session, nick);
    });
    menu.addAction(label("Ajouter l'&Utilisateur aux Favoris", "&Add User to Hot List"), this, [this, nicks] {
        for (const std::string& nick : nicks()) session::AddToHotList(client_.session, nick);
    });
    QAction* browse = menu.addAction(label("&Parcourir les Fichiers", "Browse Files"), this, [this, nicks] {
        if (auto users = nicks(); !users.empty()) session::BrowseUser(client_.session, users.front());
    });
    browse->setEnabled(!many);
    QAction* info = menu.addAction(label("&Voir les Infos sur l'Utilisateur", "&View User Information"), this, [this, nicks] {
        if (auto users = nicks(); !users.empty()) session::RequestUserInfo(client_.session, users.front());
    });
    info->setEnabled(!many);
    menu.addAction(
        outbound ? QStringLiteral("Effacer les &Transferts Terminés") : label("Effacer les &Tranferts Terminés", "Clear &Finished"), this,
        clearFinished);
}

bool TransfersPage::eventFilter(QObject* watched, QEvent* event) {
    for (bool outbound : {false, true}) {
        if (watched != List(outbound)) continue;
        if (event->type() == QEvent::FocusIn) lastOutbound_ = outbound;
        if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            transfer::DeleteTransfers(client_.transfers, outbound, SelectedRows(outbound));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tandril::gui
