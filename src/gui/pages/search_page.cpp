#include "gui/pages/search_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/client.h"
#include "gui/header_sort_model.h"
#include "gui/list_columns.h"
#include "gui/search/results_model.h"
#include "library/file_types.h"
#include "search/search_session.h"
#include "session/result_actions.h"

namespace tandril::gui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QComboBox* Choices(const std::vector<std::string>& entries, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->addItem(QString());  // the first entry of every list is empty
    for (const std::string& e : entries) combo->addItem(Q(e));
    return combo;
}

std::string Chosen(const QComboBox* combo) {
    return combo->currentText().toStdString();
}

}  // namespace

SearchPage::SearchPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("SearchPage"));
    const Settings& settings = client.state.settings();

    artistLabel_ = new QLabel(QStringLiteral("Artist:"), this);
    artist_ = new QLineEdit(this);
    title_ = new QLineEdit(this);
    for (QLineEdit* field : {artist_, title_}) field->setMaxLength(99);
    search_ = new QPushButton(QString::fromUtf8(search::kSearchButton), this);
    search_->setDefault(true);
    advanced_ = new QPushButton(this);
    auto* clear = new QPushButton(QStringLiteral("E&ffacer"), this);
    fileType_ = new QComboBox(this);
    auto* getPlugin = new QPushButton(QStringLiteral("Get Plugin ..."), this);

    advancedBox_ = new QGroupBox(this);
    filters_[0] = Choices(search::ComparisonChoices(), advancedBox_);
    filters_[1] = Choices(search::ConnectionChoices(), advancedBox_);
    filters_[2] = Choices(search::ComparisonChoices(), advancedBox_);
    filters_[3] = Choices(search::BitrateChoices(), advancedBox_);
    filters_[4] = Choices(search::ComparisonChoices(), advancedBox_);
    filters_[5] = Choices(search::ResponseTimeChoices(), advancedBox_);
    for (int i = 0; i < 6; ++i) {
        filters_[i]->setCurrentIndex(std::max(0, filters_[i]->findText(Q(settings.searchFilters[static_cast<std::size_t>(i)]))));
        connect(filters_[i], &QComboBox::currentIndexChanged, this, &SearchPage::SaveFilters);
    }
    byResponseTime_ = new QCheckBox(QStringLiteral("&Rechercher par temps de réponse"), advancedBox_);
    byResponseTime_->setChecked(settings.pingResults);
    auto* grid = new QGridLayout(advancedBox_);
    grid->addWidget(new QLabel(QStringLiteral("Connexion:"), advancedBox_), 0, 0);
    grid->addWidget(filters_[0], 0, 1);
    grid->addWidget(filters_[1], 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Bitrate:"), advancedBox_), 1, 0);
    grid->addWidget(filters_[2], 1, 1);
    grid->addWidget(filters_[3], 1, 2);
    grid->addWidget(byResponseTime_, 2, 0);
    grid->addWidget(filters_[4], 2, 1);
    grid->addWidget(filters_[5], 2, 2);

    auto* infoBox = new QGroupBox(QStringLiteral("Search Info"), this);
    info_ = new QLabel(infoBox);
    (new QVBoxLayout(infoBox))->addWidget(info_);

    model_ = new ResultsModel(client.search, this);
    sorted_ = new HeaderSortModel(ResultsModel::kSortRole, this);
    sorted_->setSourceModel(model_);
    results_ = new QTreeView(this);
    results_->setObjectName(QStringLiteral("SearchResults"));
    results_->setModel(sorted_);
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    new ListColumns(results_, {{260, ColumnFit::Stretch}, {80}, {55}, {55}, {50}, {90}, {75}, {45}});
    SortOnHeaderClick(results_->header(), sorted_);
    results_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(results_, &QWidget::customContextMenuRequested, this, &SearchPage::ShowResultMenu);
    connect(results_, &QTreeView::doubleClicked, this, [this] { session::DownloadResults(client_.session, SelectedResults()); });

    auto* fields = new QGridLayout;
    fields->addWidget(artistLabel_, 0, 0);
    fields->addWidget(artist_, 0, 1);
    fields->addWidget(search_, 0, 2);
    fields->addWidget(new QLabel(QStringLiteral("Title:"), this), 1, 0);
    fields->addWidget(title_, 1, 1);
    fields->addWidget(advanced_, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Type:"), this), 2, 0);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(fileType_, 1);
    typeRow->addWidget(getPlugin);
    fields->addLayout(typeRow, 2, 1);
    fields->addWidget(clear, 2, 2);
    auto* download = new QPushButton(QStringLiteral("&Télécharger"), this);
    connect(download, &QPushButton::clicked, this, [this] { session::DownloadResults(client_.session, SelectedResults()); });
    fields->addWidget(download, 3, 2);
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 3);
    top->addWidget(infoBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(advancedBox_);
    layout->addWidget(results_, 1);

    FillFileTypes();
    connect(fileType_, &QComboBox::currentIndexChanged, this, &SearchPage::FileTypeChosen);
    connect(getPlugin, &QPushButton::clicked, this, [this] {
        const library::FileType* type = nullptr;
        for (const auto& slot : client_.library.fileTypes.slots) {
            if (slot && Q(slot->name) == fileType_->currentText()) type = &*slot;
        }
        if (!type) {
            client_.ui.Ask({"An internal error occurred: no file type is selected. Please report it to Tandril.", "Critical error",
                            Buttons::Ok, Icon::Exclamation});
        } else if (type->url != "No URL") {
            client_.ui.OpenUrl(type->url);
        } else {
            client_.ui.Ask({"There are currently no supported plugins for this filetype.", "Get Plugin", Buttons::Ok, Icon::Information});
        }
    });
    connect(search_, &QPushButton::clicked, this, [this] {
        client_.search.options = {byResponseTime_->isChecked(), search::ResponseTimeLimit(Chosen(filters_[5])), Chosen(filters_[4])};
        search::SearchButton(client_.search, Fields());
    });
    for (QLineEdit* field : {artist_, title_}) connect(field, &QLineEdit::returnPressed, search_, &QPushButton::click);
    connect(advanced_, &QPushButton::clicked, this, [this] { ShowAdvanced(!advancedBox_->isVisible()); });
    connect(clear, &QPushButton::clicked, this, &SearchPage::ClearSearchFields);
    connect(byResponseTime_, &QCheckBox::toggled, this, [this](bool on) { client_.state.EditSettings()->pingResults = on; });
    connect(&client.search, &search::SearchSession::changed, this, &SearchPage::UpdateFromSession, Qt::QueuedConnection);
    connect(&client.search, &search::SearchSession::formChanged, this, &SearchPage::FillFromForm, Qt::QueuedConnection);
    ShowAdvanced(settings.advancedSearch);
    UpdateFromSession();
}

// The file types in table order; "MP3" to begin with, else the first. They load at start-up,
// after the window was made, so the page looks again when it is shown.
void SearchPage::FillFileTypes() {
    if (fileType_->count() > 0) return;
    for (const auto& slot : client_.library.fileTypes.slots) {
        if (slot) fileType_->addItem(Q(slot->name));
    }
    fileType_->setCurrentIndex(std::max(0, fileType_->findText(QStringLiteral("MP3"))));
}

void SearchPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FillFileTypes();
}

search::SearchFields SearchPage::Fields() const {
    return {artist_->text().toStdString(), title_->text().toStdString(), Chosen(filters_[0]),
            Chosen(filters_[1]),           Chosen(filters_[2]),          Chosen(filters_[3])};
}

std::vector<search::SearchResult> SearchPage::SelectedResults() const {
    std::vector<search::SearchResult> selected;
    for (const QModelIndex& index : results_->selectionModel()->selectedRows()) {
        if (const search::SearchResult* r = model_->ResultAt(sorted_->mapToSource(index).row())) selected.push_back(*r);
    }
    return selected;
}

void SearchPage::ShowResultMenu(const QPoint& at) {
    std::vector<search::SearchResult> selected = SelectedResults();
    const bool any = !selected.empty() && client_.search.Idle();
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Télécharger"), this, [this, selected] { session::DownloadResults(client_.session, selected); })
        ->setEnabled(any);
    menu.addAction(QStringLiteral("&Jouer le Fichier!"), this, [this, selected] { session::PlayResult(client_.session, selected.front()); })
        ->setEnabled(any);
    menu.addAction(QStringLiteral("Ajouter l'&Utilisateur aux Favoris"), this,
                   [this, selected] { session::AddResultUsersToHotList(client_.session, selected); })
        ->setEnabled(client_.search.Idle());
    menu.addAction(QStringLiteral("Envoyer un &Message Instantané"), this,
                   [this, selected] { session::MessageResultUser(client_.session, selected); })
        ->setEnabled(any);
    menu.addAction(QStringLiteral("&Voir les Infos sur l'Utilisateur"), this,
                   [this, selected] { session::AskResultUsersInfo(client_.session, selected); })
        ->setEnabled(any);
    menu.addAction(QStringLiteral("&Parcourir les Fichiers"), this,
                   [this, selected] { session::BrowseResultUser(client_.session, selected); })
        ->setEnabled(any);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Effacer les Résultats"), this, [this] { session::ClearResults(client_.session); })
        ->setEnabled(client_.search.Idle());
    menu.exec(results_->viewport()->mapToGlobal(at));
}

void SearchPage::ShowAdvanced(bool shown) {
    advancedBox_->setVisible(shown);
    advanced_->setText(shown ? QStringLiteral("A&vancé   <<") : QStringLiteral("A&vancé   >>"));
    client_.state.EditSettings()->advancedSearch = shown;
}

void SearchPage::ClearSearchFields() {
    if (!client_.search.Idle()) {
        client_.ui.ShowAlert(AlertKind::Modal, "You cannot clear fields until your current search is complete.");
        return;
    }
    artist_->clear();
    title_->clear();
    if (advancedBox_->isVisible()) {
        for (QComboBox* list : filters_) list->setCurrentIndex(0);
    }
}

void SearchPage::FillFromForm() {
    search::SearchFields form = client_.search.Form();
    artist_->setText(Q(form.artist));
    title_->setText(Q(form.title));
    filters_[0]->setCurrentIndex(std::max(0, filters_[0]->findText(Q(form.lineSpeedComparison))));
    filters_[1]->setCurrentIndex(std::max(0, filters_[1]->findText(Q(form.lineSpeed))));
    filters_[2]->setCurrentIndex(std::max(0, filters_[2]->findText(Q(form.bitrateComparison))));
    filters_[3]->setCurrentIndex(std::max(0, filters_[3]->findText(Q(form.bitrate))));
}

void SearchPage::SaveFilters() {
    for (int i = 0; i < 6; ++i) client_.state.EditSettings()->searchFilters[static_cast<std::size_t>(i)] = Chosen(filters_[i]);
}

void SearchPage::UpdateFromSession() {
    search::SearchSession::View v = client_.search.Snapshot();
    search_->setText(Q(v.button));
    search_->setEnabled(v.buttonEnabled);
    info_->setText(Q(v.info));
}

void SearchPage::FileTypeChosen() {
    const library::FileType* type = nullptr;
    for (const auto& slot : client_.library.fileTypes.slots) {
        if (slot && Q(slot->name) == fileType_->currentText()) type = &*slot;
    }
    const bool media = type && library::IsMediaType(*type);
    artistLabel_->setText(media ? QStringLiteral("Artist:") : QStringLiteral("Author:"));
    filters_[2]->setEnabled(media);
    filters_[3]->setEnabled(media);
    model_->SetMediaColumns(media);
    for (int column = ResultsModel::Bitrate; column <= ResultsModel::Length; ++column) results_->setColumnHidden(column, !media);
}

}  // namespace tandril::gui
