#include "gui/incomplete_files_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "app/client.h"
#include "base/text.h"
#include "transfer/resume.h"

namespace tandril::gui {

namespace {

QTreeWidget* MakeList(QWidget* owner, const QStringList& headers, const std::vector<int>& widths, const char* name) {
    auto* list = new QTreeWidget(owner);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(headers);
    for (std::size_t i = 0; i < widths.size(); ++i) list->setColumnWidth(static_cast<int>(i), widths[i]);
    return list;
}

QString Grouped(std::uintmax_t n) {
    return QString::fromStdString(GroupThousands(std::to_string(n)));
}

}  // namespace

IncompleteFilesDialog::IncompleteFilesDialog(Client& client, QWidget* owner) : QDialog(owner), client_(client) {
    setWindowTitle(QStringLiteral("Fichiers à reprendre"));
    setObjectName(QStringLiteral("IncompleteFilesDialog"));
    files_ = MakeList(this, {QStringLiteral("Nom     "), QStringLiteral("Received"), QStringLiteral("Actual Size")}, {320, 80, 80},
                      "IncompleteFiles");
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sourcesTitle_ = new QLabel(QStringLiteral("Fichiers repris"), this);
    sources_ = MakeList(this, {QStringLiteral("Nom     "), QStringLiteral("User"), QStringLiteral("Connection"), QStringLiteral("Ping")},
                        {300, 60, 75, 40}, "ResumeSources");
    erase_ = new QPushButton(QStringLiteral("&Effacer"), this);
    ask_ = new QPushButton(QStringLiteral("&Demander"), this);
    leave_ = new QPushButton(QStringLiteral("&Sortir"), this);
    resume_ = new QPushButton(QStringLiteral("&Reprendre"), this);
    connect(erase_, &QPushButton::clicked, this, &IncompleteFilesDialog::Erase);
    connect(ask_, &QPushButton::clicked, this, &IncompleteFilesDialog::Ask);
    connect(resume_, &QPushButton::clicked, this, &IncompleteFilesDialog::Ask);
    connect(leave_, &QPushButton::clicked, this, &QDialog::accept);
    connect(&client.transfers.view, &transfer::TransferView::sourcesChanged, this, &IncompleteFilesDialog::ShowSources,
            Qt::QueuedConnection);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(erase_);
    buttons->addWidget(ask_);
    buttons->addStretch(1);
    buttons->addWidget(resume_);
    buttons->addWidget(leave_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(files_);
    layout->addLayout(buttons);
    layout->addWidget(sourcesTitle_);
    layout->addWidget(sources_);
    // At first only the upper part: the lower one grows in with the first search.
    sourcesTitle_->hide();
    sources_->hide();
    leave_->setEnabled(false);
    resume_->setEnabled(false);
    resize(540, 260);
    Fill();
}

void IncompleteFilesDialog::Open(Client& client, QWidget* owner) {
    if (!client.state.connected) {
        client.ui.ShowAlert(AlertKind::Modal, "You must first connect to the server!");
        return;
    }
    IncompleteFilesDialog dialog(client, owner);
    dialog.exec();
}

void IncompleteFilesDialog::Fill() {
    // Entries whose file is gone leave resume.dat as the list is made.
    entries_ = client_.transfers.incomplete.Clean();
    files_->clear();
    for (const auto& e : entries_) {
        std::error_code ec;
        const auto received = std::filesystem::file_size(e.path, ec);
        auto* item = new QTreeWidgetItem(files_, {QString::fromStdString(e.path), Grouped(ec ? 0 : received), Grouped(e.size)});
        item->setTextAlignment(1, Qt::AlignRight);
        item->setTextAlignment(2, Qt::AlignRight);
    }
    erase_->setEnabled(!entries_.empty());
    ask_->setEnabled(!entries_.empty());
}

void IncompleteFilesDialog::ShowSources() {
    sources_->clear();
    for (const transfer::SourceRow& s : transfer::ResumeSources(client_.transfers)) {
        new QTreeWidgetItem(sources_, {QString::fromStdString(s.name), QString::fromStdString(s.user), QString::fromStdString(s.connection),
                                       QString::fromStdString(s.ping)});
    }
}

std::vector<transfer::IncompleteEntry> IncompleteFilesDialog::Selected() const {
    std::vector<transfer::IncompleteEntry> selected;
    for (int i = 0; i < files_->topLevelItemCount(); ++i) {
        if (files_->topLevelItem(i)->isSelected() && i < static_cast<int>(entries_.size())) selected.push_back(entries_[i]);
    }
    return selected;
}

void IncompleteFilesDialog::Erase() {
    for (const auto& e : Selected()) client_.transfers.incomplete.Forget(e.path);
    Fill();
}

void IncompleteFilesDialog::ShowLowerPart() {
    if (sources_->isHidden()) {
        sourcesTitle_->show();
        sources_->show();
        resize(width(), height() + 200);
    }
    leave_->setEnabled(true);
    resume_->setEnabled(true);
    ShowSources();
}

void IncompleteFilesDialog::Ask() {
    ShowLowerPart();
    transfer::RequestResume(client_.transfers, Selected());
    ShowSources();
}

}  // namespace tandril::gui
