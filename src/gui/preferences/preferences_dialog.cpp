#include "gui/preferences/preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/client.h"
#include "base/line_speed.h"
#include "gui/library/folder_tree.h"
#include "gui/ok_cancel_row.h"
#include "gui/preferences/themes_page.h"
#include "session/registration_lists.h"

namespace tandril::gui {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::vector<std::string> Folders(const QStringList& list) {
    std::vector<std::string> folders;
    for (const QString& f : list) folders.push_back(f.toStdString());
    return folders;
}

}  // namespace

PreferencesDialog::PreferencesDialog(Client& client, QWidget* owner)
    : QDialog(owner), client_(client), sheet_(std::make_shared<session::PreferencesSheet>()) {
    setWindowTitle(QStringLiteral("Tandril Preferences"));
    setObjectName(QStringLiteral("PreferencesDialog"));
    pages_ = new QTabWidget(this);
    pages_->addTab(BuildPersonal(), QStringLiteral("Personnel"));
    pages_->addTab(BuildChat(), QStringLiteral("Discussion"));
    themes_ = new ThemesPage(client_, pages_);
    pages_->addTab(themes_, QStringLiteral("Thèmes"));
    pages_->addTab(BuildSharing(), QStringLiteral("Partage"));
    pages_->addTab(BuildDownload(), QStringLiteral("Téléchargement"));
    pages_->addTab(BuildProxy(), QStringLiteral("Paramètres du Proxy"));
    shown_.assign(static_cast<std::size_t>(pages_->count()), false);
    shown_[0] = true;
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page >= 0) shown_[static_cast<std::size_t>(page)] = true;
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addLayout(OkCancelRow(this, [this] { TryAccept(); }));
    resize(680, 500);
}

PreferencesDialog::~PreferencesDialog() = default;

QWidget* PreferencesDialog::BuildPersonal() {
    auto* page = new QWidget(pages_);
    const session::PersonalPage now = session::CurrentPersonalPage(client_.session);
    auto* name = new QLineEdit(Q(now.userName), page);
    name->setReadOnly(true);
    email_ = new QLineEdit(Q(now.email), page);
    password_ = new QLineEdit(Q(now.password), page);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(static_cast<int>(kMaxPassword));
    speed_ = new QComboBox(page);
    for (const auto& speedName : session::LineSpeedNames()) speed_->addItem(Q(speedName));
    speed_->setCurrentIndex(std::clamp(now.lineSpeed, 0, speed_->count() - 1));
    player_ = new QComboBox(page);
    player_->addItems({QStringLiteral("Tandril Internal Player"), QStringLiteral("Default Media Player")});
    player_->setCurrentIndex(now.defaultPlayer ? 1 : 0);
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Nom d'utilisateur:"), name);
    form->addRow(QStringLiteral("Adresse e-mail:"), email_);
    form->addRow(QStringLiteral("Mot de passe:"), password_);
    form->addRow(QStringLiteral("Vitesse de connexion:"), speed_);
    form->addRow(QStringLiteral("Lecteur:"), player_);
    return page;
}

QWidget* PreferencesDialog::BuildChat() {
    auto* page = new QWidget(pages_);
    const session::ChatPage now = session::CurrentChatPage(client_.session);
    const char* texts[] = {"Afficher les messages personnels dans une fenêtre séparée", "Masquer les mots grossiers",
                           "Rejoindre automatiquement les salles précédentes à la connexion",
                           "Afficher les utilisateurs qui entrent et qui sortent d'une salle"};
    const bool values[] = {now.separateMessageWindow, now.swearFilter, now.autoJoin, now.displayJoinPart};
    auto* layout = new QVBoxLayout(page);
    for (int i = 0; i < 4; ++i) {
        chatBoxes_[i] = new QCheckBox(QString::fromUtf8(texts[i]), page);
        chatBoxes_[i]->setChecked(values[i]);
        layout->addWidget(chatBoxes_[i]);
    }
    layout->addStretch();
    return page;
}

QWidget* PreferencesDialog::BuildSharing() {
    auto* page = new QWidget(pages_);
    const session::SharingPage now = session::CurrentSharingPage(client_.session);
    sharedTree_ = new FolderTree(page);
    for (const auto& folder : now.tickedFolders) sharedTree_->Tick(Q(folder));
    maxUploads_ = new QLineEdit(Q(now.maxUploads), page);
    dataPort_ = new QLineEdit(Q(now.dataPort), page);
    scan_ = new QPushButton(QStringLiteral("&Démarrer!"), page);
    connect(scan_, &QPushButton::clicked, this, &PreferencesDialog::StartScan);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Téléchargements simultanés sortants:"), maxUploads_);
    form->addRow(QStringLiteral("Port de données:"), dataPort_);
    form->addRow(QStringLiteral("Rechercher des fichiers sur les disques:"), scan_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(sharedTree_, 1);
    layout->addLayout(form);
    return page;
}

QWidget* PreferencesDialog::BuildDownload() {
    auto* page = new QWidget(pages_);
    const session::DownloadPage now = session::CurrentDownloadPage(client_.session);
    saveTree_ = new FolderTree(page);
    saveTree_->SetSingleChoice(true);
    for (const auto& folder : now.tickedFolders) saveTree_->Tick(Q(folder));
    maxDownloads_ = new QLineEdit(Q(now.maxDownloads), page);
    partialAction_ = new QComboBox(page);
    partialAction_->addItems({QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Prompt me")});
    partialAction_->setCurrentIndex(std::clamp(now.partialAction, 0, 2));
    autoDelete_ = new QComboBox(page);
    autoDelete_->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
    autoDelete_->setCurrentIndex(now.autoDelete ? 0 : 1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Téléchargements simultanés:"), maxDownloads_);
    form->addRow(QStringLiteral("Effacer les fichiers incomplets après une erreur:"), partialAction_);
    form->addRow(QStringLiteral("Retirer les téléchargements terminés de la liste:"), autoDelete_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(saveTree_, 1);
    layout->addLayout(form);
    return page;
}

QWidget* PreferencesDialog::BuildProxy() {
    auto* page = new QWidget(pages_);
    const session::ProxyForm now = session::CurrentProxyForm(client_.session);
    proxyType_ = new QComboBox(page);
    proxyType_->addItems(
        {QStringLiteral("No proxy server"), QStringLiteral("SOCKS 4 proxy server"), QStringLiteral("SOCKS 5 proxy server")});
    proxyType_->setCurrentIndex(std::clamp(now.choice, 0, 2));
    proxyServer_ = new QLineEdit(Q(now.server), page);
    proxyPort_ = new QLineEdit(Q(now.port), page);
    proxyUser_ = new QLineEdit(Q(now.user), page);
    proxyPassword_ = new QLineEdit(Q(now.password), page);
    proxyPassword_->setEchoMode(QLineEdit::Password);
    proxyTransfers_ = new QComboBox(page);
    proxyTransfers_->addItems({QStringLiteral("Download files through proxy"), QStringLiteral("Download files directly from source")});
    proxyTransfers_->setCurrentIndex(now.transfersThroughProxy ? 0 : 1);
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Proxy:"), proxyType_);
    form->addRow(QStringLiteral("Server:"), proxyServer_);
    form->addRow(QStringLiteral("Port:"), proxyPort_);
    form->addRow(QStringLiteral("User:"), proxyUser_);
    form->addRow(QStringLiteral("Password:"), proxyPassword_);
    form->addRow(QStringLiteral("Transfers:"), proxyTransfers_);
    auto follow = [this] {
        const bool proxy = proxyType_->currentIndex() != 0, socks5 = proxyType_->currentIndex() == 2;
        for (QWidget* w : {static_cast<QWidget*>(proxyServer_), static_cast<QWidget*>(proxyPort_), static_cast<QWidget*>(proxyTransfers_)})
            w->setEnabled(proxy);
        proxyUser_->setEnabled(socks5);
        proxyPassword_->setEnabled(socks5);
    };
    connect(proxyType_, &QComboBox::currentIndexChanged, this, follow);
    follow();
    return page;
}

void PreferencesDialog::TryAccept() {
    session::Session& s = client_.session;
    auto stayOn = [this](QWidget* page) { pages_->setCurrentWidget(page); };
    auto wasShown = [this](int page) { return shown_[static_cast<std::size_t>(page)]; };
    const session::PersonalPage personal{
        {}, email_->text().toStdString(), password_->text().toStdString(), speed_->currentIndex(), player_->currentIndex() == 1};
    if (wasShown(0) && session::ApplyPersonalPage(s, personal) == session::PageResult::Stay) return stayOn(pages_->widget(0));
    const session::ChatPage chat{chatBoxes_[0]->isChecked(), chatBoxes_[1]->isChecked(), chatBoxes_[2]->isChecked(),
                                 chatBoxes_[3]->isChecked()};
    if (wasShown(1)) session::ApplyChatPage(s, chat);
    if (wasShown(2)) themes_->Apply();
    const session::SharingPage sharing{Folders(sharedTree_->TickedFolders()), maxUploads_->text().toStdString(),
                                       dataPort_->text().toStdString()};
    if (wasShown(3) && session::ApplySharingPage(s, *sheet_, sharing) == session::PageResult::Stay) return stayOn(pages_->widget(3));
    const session::DownloadPage download{Folders(saveTree_->TickedFolders()), partialAction_->currentIndex(),
                                         autoDelete_->currentIndex() == 0, maxDownloads_->text().toStdString()};
    if (wasShown(4) && session::ApplyDownloadPage(s, *sheet_, download) == session::PageResult::Stay) return stayOn(pages_->widget(4));
    const session::ProxyForm proxy{proxyType_->currentIndex(),           proxyServer_->text().toStdString(),
                                   proxyPort_->text().toStdString(),     proxyUser_->text().toStdString(),
                                   proxyPassword_->text().toStdString(), proxyTransfers_->currentIndex() == 0};
    if (wasShown(5) && session::ApplyProxyPage(s, proxy) == session::PageResult::Stay) return stayOn(pages_->widget(5));
    sheet_->closedWithOk = true;
    accept();
}

void PreferencesDialog::StartScan() {
    QPointer<FolderTree> tree = sharedTree_;
    session::StartDiskScan(client_.session, sheet_, [tree](std::vector<std::string> folders) {
        if (!tree) return;
        tree->Clear();
        for (const auto& folder : folders) tree->Tick(Q(folder));
        tree->ShowFirstTicked();
    });
}

void PreferencesDialog::Finish() {
    session::ClosePreferences(client_.session, *sheet_);
}

void ShowPreferences(Client& client, QWidget* owner) {
    PreferencesDialog sheet(client, owner);
    sheet.exec();
    sheet.Finish();
}

}  // namespace tandril::gui
