#include "gui/player/player_panel_widget.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/player/player_display.h"
#include "playlist/player_panel.h"

namespace tandril::gui {

PlayerPanelWidget::PlayerPanelWidget(playlist::PlayerPanel& panel, std::function<std::vector<std::string>()> myFilesSelection,
                                     QWidget* parent)
    : QWidget(parent), panel_(panel), myFilesSelection_(std::move(myFilesSelection)) {
    setObjectName(QStringLiteral("PlayerPanel"));
    display_ = new PlayerDisplay(this);
    auto button = [this](QStyle::StandardPixmap icon, const QString& name, const QString& tip) {
        auto* b = new QPushButton(style()->standardIcon(icon), QString(), this);
        b->setObjectName(name);
        b->setToolTip(tip);
        return b;
    };
    QPushButton* previous = button(QStyle::SP_MediaSkipBackward, QStringLiteral("PreviousButton"), QStringLiteral("Previous"));
    QPushButton* play = button(QStyle::SP_MediaPlay, QStringLiteral("PlayButton"), QStringLiteral("Play"));
    QPushButton* pause = button(QStyle::SP_MediaPause, QStringLiteral("PauseButton"), QStringLiteral("Pause"));
    stop_ = button(QStyle::SP_MediaStop, QStringLiteral("StopButton"), QStringLiteral("Stop"));
    QPushButton* next = button(QStyle::SP_MediaSkipForward, QStringLiteral("NextButton"), QStringLiteral("Next"));
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("VolumeSlider"));
    volume_->setRange(0, 100);
    volume_->setValue(panel_.Volume());
    volume_->setToolTip(QStringLiteral("Volume"));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Playlist"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->installEventFilter(this);
    shuffle_ = new QCheckBox(QStringLiteral("Shuffle"), this);
    shuffle_->setObjectName(QStringLiteral("ShuffleBox"));
    repeat_ = new QCheckBox(QStringLiteral("Repeat"), this);
    repeat_->setObjectName(QStringLiteral("RepeatBox"));
    auto* load = new QPushButton(QStringLiteral("Load..."), this);
    load->setObjectName(QStringLiteral("LoadPlaylistButton"));
    auto* save = new QPushButton(QStringLiteral("Save..."), this);
    save->setObjectName(QStringLiteral("SavePlaylistButton"));
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("ClearPlaylistButton"));

    auto* controls = new QHBoxLayout;
    for (QPushButton* b : {previous, play, pause, stop_, next}) controls->addWidget(b);
    controls->addWidget(volume_, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(display_, 1);
    left->addLayout(controls);
    auto* options = new QHBoxLayout;
    options->addWidget(shuffle_);
    options->addWidget(repeat_);
    options->addStretch(1);
    for (QPushButton* b : {load, save, clear}) options->addWidget(b);
    auto* right = new QVBoxLayout;
    right->addWidget(list_, 1);
    right->addLayout(options);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(left, 2);
    layout->addLayout(right, 3);

    connect(play, &QPushButton::clicked, this, [this] { panel_.PlayButton(playlistHasFocus_, myFilesSelection_()); });
    connect(pause, &QPushButton::clicked, this, [this] { panel_.PauseButton(); });
    connect(stop_, &QPushButton::clicked, this, [this] { panel_.Stop(); });
    connect(next, &QPushButton::clicked, this, [this] { panel_.Next(); });
    connect(previous, &QPushButton::clicked, this, [this] { panel_.Previous(); });
    connect(volume_, &QSlider::valueChanged, this, [this](int v) { panel_.SetVolume(v); });
    connect(shuffle_, &QCheckBox::toggled, this, [this](bool on) { panel_.SetShuffle(on); });
    connect(repeat_, &QCheckBox::toggled, this, [this](bool on) { panel_.SetRepeat(on); });
    connect(load, &QPushButton::clicked, this, &PlayerPanelWidget::LoadPlaylist);
    connect(save, &QPushButton::clicked, this, &PlayerPanelWidget::SavePlaylist);
    connect(clear, &QPushButton::clicked, this, [this] { panel_.ClearPlaylist(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (showingSelection_) return;
        std::vector<int> rows;
        for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
        panel_.Select(rows, list_->currentRow());
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        playlistHasFocus_ = true;
        panel_.PlayFromPlaylist();
    });
    connect(&panel_, &playlist::PlayerPanel::entriesChanged, this, &PlayerPanelWidget::ShowEntries);
    connect(&panel_, &playlist::PlayerPanel::selectionChanged, this, &PlayerPanelWidget::ShowSelection);
    connect(&panel_, &playlist::PlayerPanel::playbackChanged, this, &PlayerPanelWidget::ShowPlayback);
    connect(&panel_, &playlist::PlayerPanel::focusPlaylistRequested, this, [this] {
        playlistHasFocus_ = true;
        list_->setFocus();
    });
    // The elapsed time moves on its own, and a stream may begin from another page: the display is
    // read twice a second (a few locked reads, nothing more).
    refresh_ = new QTimer(this);
    refresh_->setInterval(500);
    connect(refresh_, &QTimer::timeout, this, &PlayerPanelWidget::RefreshDisplay);
    refresh_->start();
    ShowEntries();
    ShowPlayback();
}

void PlayerPanelWidget::ShowEntries() {
    showingSelection_ = true;
    list_->clear();
    for (const std::string& entry : panel_.Entries()) list_->addItem(QString::fromStdString(entry));
    showingSelection_ = false;
    ShowSelection();
}

void PlayerPanelWidget::ShowSelection() {
    showingSelection_ = true;
    list_->clearSelection();
    if (panel_.Current() >= 0) list_->setCurrentRow(panel_.Current(), QItemSelectionModel::NoUpdate);
    for (int row : panel_.Selection()) {
        if (QListWidgetItem* item = list_->item(row)) item->setSelected(true);
    }
    if (panel_.Current() >= 0) list_->scrollToItem(list_->item(panel_.Current()));
    showingSelection_ = false;
}

void PlayerPanelWidget::ShowPlayback() {
    RefreshDisplay();
}

void PlayerPanelWidget::RefreshDisplay() {
    display_->SetTexts(QString::fromStdString(panel_.TrackInfo()), QString::fromStdString(panel_.Elapsed()));
    stop_->setEnabled(panel_.State() != player::PlayerState::kIdle);
}

void PlayerPanelWidget::LoadPlaylist() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), QDir::currentPath(),
                                                      QStringLiteral("M3U and PLS Playlists (*.m3u *.pls);;All Files (*)"));
    if (!path.isEmpty()) panel_.LoadPlaylistCommand(path.toStdString());
}

void PlayerPanelWidget::SavePlaylist() {
    if (panel_.Entries().empty()) return;
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("M3U Playlist (*.m3u)"), QStringLiteral("PLS Playlist (*.pls)")});
    dialog.setDefaultSuffix(QStringLiteral("m3u"));
    dialog.setDirectory(QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    panel_.SavePlaylist(dialog.selectedFiles().front().toStdString());
}

bool PlayerPanelWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::FocusIn) playlistHasFocus_ = true;
    return QWidget::eventFilter(watched, event);
}

}  // namespace tandril::gui
