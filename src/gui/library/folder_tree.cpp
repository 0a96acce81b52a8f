#include "gui/library/folder_tree.h"

#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace tandril::gui {
namespace {

QIcon StateIcon(FolderTree::State state) {
    static const QColor kColors[] = {QColor(0x2E, 0x9E, 0x44), QColor(0x9C, 0xD6, 0xA4), QColor(0xF0, 0xA0, 0x30),
                                     QColor(0xB8, 0xB8, 0xB8)};
    QPixmap pixmap(14, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.setBrush(kColors[static_cast<int>(state)]);
    painter.drawRect(0, 2, 13, 9);  // the folder
    painter.drawRect(0, 0, 6, 2);   // its tab
    return QIcon(pixmap);
}

bool IsBelow(const QString& folder, const QString& above) {
    return folder.size() > above.size() && folder.startsWith(above) && (above.endsWith('/') || folder[above.size()] == '/');
}

}  // namespace

class FolderTreeModel : public QFileSystemModel {
public:
    explicit FolderTreeModel(QObject* parent) : QFileSystemModel(parent) {
        setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
        setReadOnly(true);
        setRootPath(QStringLiteral("/"));
    }
    QStringList ticked;
    bool singleChoice = false;  // ticking a folder unticks the one ticked before

    FolderTree::State StateOf(const QString& folder) const {
        if (ticked.contains(folder)) return FolderTree::State::Shared;
        for (const QString& t : ticked) {
            if (IsBelow(folder, t)) return FolderTree::State::SharedByRecursion;
        }
        for (const QString& t : ticked) {
            if (IsBelow(t, folder)) return FolderTree::State::HoldsSharedFolder;
        }
        return FolderTree::State::NotShared;
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    Qt::ItemFlags flags(const QModelIndex& index) const override { return QFileSystemModel::flags(index) | Qt::ItemIsUserCheckable; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::CheckStateRole) return ticked.contains(filePath(index)) ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DecorationRole) return StateIcon(StateOf(filePath(index)));
        return QFileSystemModel::data(index, role);
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole) return QFileSystemModel::setData(index, value, role);
        const QString folder = filePath(index);
        if (value.toInt() == Qt::Checked) {
            if (singleChoice) ticked.clear();
            if (!ticked.contains(folder)) ticked << folder;
        } else {
            ticked.removeAll(folder);
        }
        Changed();
        return true;
    }
    // Every visible folder may change its image when one is ticked.
    void Changed() { Q_EMIT layoutChanged(); }
};

FolderTree::FolderTree(QWidget* parent) : QWidget(parent), model_(new FolderTreeModel(this)), view_(new QTreeView(this)) {
    setObjectName(QStringLiteral("FolderTree"));
    view_->setModel(model_);
    view_->setHeaderHidden(true);
    view_->setRootIndex(model_->index(QStringLiteral("/")));
    connect(model_, &QAbstractItemModel::layoutChanged, this, &FolderTree::tickedChanged);
    // Folders are listed in the background: once the way to the first ticked folder is known,
    // show it.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& folder) {
        if (!model_->ticked.isEmpty() && IsBelow(model_->ticked.front(), folder)) ShowFirstTicked();
    });
    auto* legend = new QGridLayout;
    const State states[] = {State::Shared, State::SharedByRecursion, State::HoldsSharedFolder, State::NotShared};
    for (int i = 0; i < 4; ++i) {
        auto* image = new QLabel(this);
        image->setPixmap(StateIcon(states[i]).pixmap(14, 12));
        legend->addWidget(image, i / 2, (i % 2) * 2);
        legend->addWidget(new QLabel(LegendText(states[i]), this), i / 2, (i % 2) * 2 + 1);
    }
    legend->setColumnStretch(1, 1);
    legend->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addLayout(legend);
}

QString FolderTree::LegendText(State state) {
    switch (state) {
        case State::Shared:
            return QStringLiteral("Répertoire partagé.");
        case State::SharedByRecursion:
            return QStringLiteral("Répertoire partagé par récurrence.");
        case State::HoldsSharedFolder:
            return QStringLiteral("Un répertoire cascadé est partagé.");
        case State::NotShared:
            break;
    }
    return QStringLiteral("Répertoire non-partagé.");
}

void FolderTree::ShowFirstTicked() {
    if (model_->ticked.isEmpty()) return;
    // The rows of folders listed since the last layout are not placed yet: place them first.
    view_->doItemsLayout();
    view_->scrollTo(model_->index(model_->ticked.front()), QAbstractItemView::PositionAtCenter);
}

void FolderTree::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // After the layout has given the view its size.
    QTimer::singleShot(0, this, &FolderTree::ShowFirstTicked);
}

FolderTree::State FolderTree::StateOf(const QString& folder) const {
    return model_->StateOf(folder);
}

void FolderTree::Clear() {
    model_->ticked.clear();
    model_->Changed();
}

void FolderTree::Tick(const QString& folder) {
    QString clean = folder.size() > 1 && folder.endsWith('/') ? folder.chopped(1) : folder;
    if (clean.isEmpty() || model_->ticked.contains(clean)) return;
    if (model_->singleChoice) model_->ticked.clear();
    model_->ticked << clean;
    // Open the tree down to the folder so that the user sees it.
    for (QModelIndex index = model_->index(clean).parent(); index.isValid(); index = index.parent()) view_->expand(index);
    model_->Changed();
}

void FolderTree::SetSingleChoice(bool on) {
    model_->singleChoice = on;
}

QStringList FolderTree::TickedFolders() const {
    return model_->ticked;
}

}  // namespace tandril::gui
