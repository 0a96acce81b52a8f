#include "gui/pages/my_files_page.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/client.h"
#include "gui/header_sort_model.h"
#include "gui/library/library_model.h"
#include "gui/library/rename_dialog.h"
#include "gui/list_columns.h"
#include "gui/player/player_panel_widget.h"
#include "library/my_files.h"

namespace tandril::gui {

MyFilesPage::MyFilesPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("MyFilesPage"));
    model_ = new LibraryModel(client.library.view, FileTypeImages(client.library.fileTypes), this);
    sorted_ = new HeaderSortModel(LibraryModel::kSortRole, this);
    sorted_->setSourceModel(model_);
    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("LibraryList"));
    list_->setModel(sorted_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);  // thousands of rows scroll without measuring each
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->installEventFilter(this);
    new ListColumns(list_, {{320, ColumnFit::Stretch}, {90}, {60}, {75}, {60}});
    SortOnHeaderClick(list_->header(), sorted_);
    connect(list_, &QWidget::customContextMenuRequested, this, &MyFilesPage::ShowMenu);
    connect(model_, &LibraryModel::renameRequested, this, [this](const QString& path, const QString& name) {
        library::RenameLibraryFile(client_.library, path.toStdString(), name.toStdString());
    });
    player_ = new PlayerPanelWidget(
        client.panel,
        [this] {
            std::vector<std::string> paths;
            for (const QString& path : SelectedPaths()) paths.push_back(path.toStdString());
            return paths;
        },
        this);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(list_);
    split->addWidget(player_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
}

QStringList MyFilesPage::SelectedPaths() const {
    // In row order, as the user sees them.
    QModelIndexList rows = list_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList paths;
    for (const QModelIndex& index : rows) paths << index.data(LibraryModel::kPathRole).toString();
    return paths;
}

void MyFilesPage::AddSelectedToPlaylist() {
    std::vector<std::string> paths;
    for (const QString& path : SelectedPaths()) paths.push_back(path.toStdString());
    client_.panel.AddToPlaylist(paths);
}

void MyFilesPage::ShowMenu(const QPoint& at) {
    QMenu menu(this);
    const bool selected = !SelectedPaths().isEmpty();
    menu.addAction(QStringLiteral("&Rafraîchir la Liste"), this, &MyFilesPage::RefreshLibrary);
    menu.addAction(QStringLiteral("Re&nommer le Fichier..."), this, &MyFilesPage::RenameSelected)->setEnabled(selected);
    menu.addAction(QStringLiteral("&Effacer le Fichier"), this, &MyFilesPage::DeleteSelected)->setEnabled(selected);
    menu.addAction(QStringLiteral("&Ajouter à la Liste de Lecture séquentielle"), this, &MyFilesPage::AddSelectedToPlaylist)
        ->setEnabled(selected);
    menu.exec(list_->viewport()->mapToGlobal(at));
}

void MyFilesPage::RefreshLibrary() {
    client_.RunConnectingDialog([](Client& c) { library::ReloadSharedFiles(c.library); });
}

void MyFilesPage::RenameSelected() {
    QStringList paths = SelectedPaths();
    if (paths.isEmpty()) return;
    const std::string path = paths.front().toStdString();
    QString offered = QFileInfo(paths.front()).completeBaseName();
    // Asked again after each failed attempt, until the user cancels.
    for (;;) {
        std::unique_ptr<QInputDialog> dialog = MakeRenameDialog(offered, this);
        if (dialog->exec() != QDialog::Accepted) return;
        const QString name = dialog->textValue();
        if (library::RenameLibraryFile(client_.library, path, name.toStdString())) return;
        offered = name;
    }
}

void MyFilesPage::DeleteSelected() {
    std::vector<std::string> paths;
    for (const QString& path : SelectedPaths()) paths.push_back(path.toStdString());
    library::DeleteLibraryFiles(client_.library, paths);
    list_->clearSelection();
}

bool MyFilesPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::FocusIn) player_->SetPlaylistHasFocus(false);
    if (watched == list_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tandril::gui
