#include "gui/registration_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include "base/app_state.h"
#include "base/line_speed.h"
#include "gui/library/folder_tree.h"
#include "session/registration_lists.h"

namespace tandril::gui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

const char* Title(WizardPage page) {
    switch (page) {
        case WizardPage::Connection:
            return "Informations sur votre connexion";
        case WizardPage::Account:
            return "Configuration de Tandril";
        case WizardPage::OptionalInfo:
            return "Informations Optionnelles";
        case WizardPage::SharedFolders:
            return "Dossiers Partagés";
        case WizardPage::DownloadFolder:
            return "Répertoire de Téléchargement";
    }
    return "";
}

// Blanks cannot be typed into the account fields: they go as soon as they appear.
QLineEdit* NoBlanks(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        if (text.contains(QLatin1Char(' '))) edit->setText(QString(text).remove(QLatin1Char(' ')));
    });
    return edit;
}

QComboBox* Choices(QWidget* parent, const std::vector<std::string>& list, const std::string& current, const std::string& preset = "") {
    auto* combo = new QComboBox(parent);
    combo->addItem(QString::fromLatin1(session::kChooseOne));
    for (const auto& item : list) combo->addItem(Q(item));
    int index = combo->findText(Q(current.empty() ? preset : current));
    combo->setCurrentIndex(index < 0 ? 0 : index);
    return combo;
}

std::string Chosen(const QComboBox* combo) {
    return combo->currentIndex() == 0 ? "" : combo->currentText().toStdString();
}

}  // namespace

WizardPageDialog::WizardPageDialog(WizardPage page, WizardData& data, std::function<void()> openProxySettings, QWidget* owner)
    : QDialog(owner), page_(page), data_(data), openProxySettings_(std::move(openProxySettings)) {
    setWindowTitle(QString::fromUtf8(Title(page)));
    setObjectName(QStringLiteral("WizardPage"));
    setMinimumWidth(460);
    content_ = new QWidget(this);
    switch (page) {
        case WizardPage::Connection:
            BuildConnection();
            break;
        case WizardPage::Account:
            BuildAccount();
            break;
        case WizardPage::OptionalInfo:
            BuildOptionalInfo();
            break;
        case WizardPage::SharedFolders:
            BuildSharedFolders();
            break;
        case WizardPage::DownloadFolder:
            BuildDownloadFolder();
            break;
    }
    auto* buttons = new QHBoxLayout;
    auto add = [&](const char* text, WizardButton result) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        connect(b, &QPushButton::clicked, this, [this, result] {
            if (result == WizardButton::Next && store_) store_();
            chosen_ = result;
            accept();
        });
        buttons->addWidget(b);
        return b;
    };
    auto* help = new QPushButton(QStringLiteral("A&IDE!"), this);
    connect(help, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(QUrl(QStringLiteral("https://www.tandril.invalid/help"))); });
    buttons->addWidget(help);
    buttons->addStretch();
    if (page != WizardPage::Connection) add("< &Précédent", WizardButton::Back);
    QPushButton* next = add(page == WizardPage::Connection       ? "&Suivant =>"
                            : page == WizardPage::DownloadFolder ? "&Terminer"
                                                                 : "&Suivant >",
                            WizardButton::Next);
    next->setDefault(true);
    add("&Annuler", WizardButton::Cancel);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(QString::fromUtf8(Title(page))), this);
    layout->addWidget(heading);
    layout->addWidget(content_, 1);
    layout->addLayout(buttons);
}

WizardButton WizardPageDialog::Ask() {
    chosen_ = WizardButton::Cancel;
    exec();
    return chosen_;
}

void WizardPageDialog::BuildConnection() {
    auto* form = new QFormLayout(content_);
    auto* speed = new QComboBox(content_);
    for (const auto& name : session::LineSpeedNames()) speed->addItem(Q(name));
    speed->setCurrentIndex(std::clamp(data_.lineSpeed, 0, speed->count() - 1));
    form->addRow(QStringLiteral("Vitesse de connexion:"), speed);
    auto* proxy = new QPushButton(QStringLiteral("Configurer Proxy..."), content_);
    connect(proxy, &QPushButton::clicked, this, [this] {
        if (openProxySettings_) openProxySettings_();
    });
    form->addRow(QString(), proxy);
    store_ = [this, speed] { data_.lineSpeed = speed->currentIndex(); };
}

void WizardPageDialog::BuildAccount() {
    auto* newUser = new QRadioButton(QStringLiteral("Nouvel Utilisateur"), content_);
    auto* existing = new QRadioButton(QStringLiteral("Utilisateur Existant"), content_);
    (data_.newUser ? newUser : existing)->setChecked(true);
    auto* user = NoBlanks(new QLineEdit(Q(data_.user), content_));
    auto* password = NoBlanks(new QLineEdit(Q(data_.password), content_));
    auto* password2 = NoBlanks(new QLineEdit(Q(data_.password2), content_));
    auto* email = NoBlanks(new QLineEdit(Q(data_.email), content_));
    user->setMaxLength(static_cast<int>(kMaxUserName));
    for (QLineEdit* p : {password, password2}) {
        p->setEchoMode(QLineEdit::Password);
        p->setMaxLength(static_cast<int>(kMaxPassword));
    }
    email->setMaxLength(static_cast<int>(kMaxEmail));
    auto* newsletter = new QCheckBox(QStringLiteral("&Oui! Inscrivez-moi à la lettre de diffusion de Tandril!"), content_);
    newsletter->setChecked(data_.newsletter);
    auto* userLabel = new QLabel(content_);
    auto* form = new QFormLayout(content_);
    auto* radios = new QHBoxLayout;
    radios->addWidget(newUser);
    radios->addWidget(existing);
    form->addRow(radios);
    form->addRow(userLabel, user);
    form->addRow(QStringLiteral("Password:"), password);
    form->addRow(QStringLiteral("Retype Password:"), password2);
    form->addRow(QStringLiteral("Email:"), email);
    form->addRow(newsletter);
    auto follow = [=, this] {
        bool isNew = newUser->isChecked();
        userLabel->setText(isNew ? QStringLiteral("Desired User Name:") : QStringLiteral("User Name:"));
        password2->setEnabled(isNew);
        email->setEnabled(isNew);
        if (!isNew) {
            password2->clear();
            email->clear();
        }
    };
    connect(newUser, &QRadioButton::toggled, this, follow);
    follow();
    // Enter in a field acts as "Suivant".
    for (QLineEdit* field : {user, password, password2, email}) {
        connect(field, &QLineEdit::returnPressed, this, [this] {
            store_();
            chosen_ = WizardButton::Next;
            accept();
        });
    }
    store_ = [=, this] {
        data_.newUser = newUser->isChecked();
        data_.user = user->text().toStdString();
        data_.password = password->text().toStdString();
        data_.password2 = password2->text().toStdString();
        data_.email = email->text().toStdString();
        data_.newsletter = newsletter->isChecked();
    };
}

void WizardPageDialog::BuildOptionalInfo() {
    auto& p = data_.personal;
    auto* age = Choices(content_, session::AgeChoices(), p["AGE"]);
    auto* style = Choices(content_, session::MusicStyleChoices(), p["GEN"]);
    auto* education = Choices(content_, session::EducationChoices(), p["EDU"]);
    auto* sex = Choices(content_, session::SexChoices(), p["SEX"]);
    auto* country = Choices(content_, session::CountryChoices(), p["CTY"], session::kPreselectedCountry);
    auto* zip = new QLineEdit(Q(p["ZIP"]), content_);
    auto* form = new QFormLayout(content_);
    form->addRow(QStringLiteral("Age:"), age);
    form->addRow(QStringLiteral("Style de musique:"), style);
    form->addRow(QStringLiteral("Education:"), education);
    form->addRow(QStringLiteral("Sexe:"), sex);
    form->addRow(QStringLiteral("Pays:"), country);
    form->addRow(QStringLiteral("Code postal:"), zip);
    store_ = [=, this] {
        data_.personal = {{"AGE", Chosen(age)},   {"CTY", Chosen(country)}, {"EDU", Chosen(education)},
                          {"GEN", Chosen(style)}, {"SEX", Chosen(sex)},     {"ZIP", zip->text().trimmed().toStdString()}};
    };
}

void WizardPageDialog::BuildSharedFolders() {
    auto* tree = new FolderTree(content_);
    for (const auto& folder : data_.sharedFolders) tree->Tick(Q(folder));
    auto* layout = new QVBoxLayout(content_);
    layout->addWidget(tree, 1);
    store_ = [this, tree] {
        data_.sharedFolders.clear();
        for (const QString& folder : tree->TickedFolders()) data_.sharedFolders.push_back(folder.toStdString());
    };
}

void WizardPageDialog::BuildDownloadFolder() {
    auto* tree = new FolderTree(content_);
    tree->SetSingleChoice(true);
    if (!data_.saveFolder.empty()) tree->Tick(Q(data_.saveFolder));
    auto* dontShare = new QCheckBox(QStringLiteral("Ne pas partager les fichiers du répertoire de téléchargement."), content_);
    dontShare->setChecked(data_.dontShareSaveFolder);
    auto* layout = new QVBoxLayout(content_);
    layout->addWidget(tree, 1);
    layout->addWidget(dontShare);
    store_ = [this, tree, dontShare] {
        QStringList ticked = tree->TickedFolders();
        data_.saveFolder = ticked.isEmpty() ? std::string() : ticked.front().toStdString();
        data_.dontShareSaveFolder = dontShare->isChecked();
    };
}

WaitWindow::WaitWindow(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("WaitWindow"));
    text_ = new QLabel(this);
    text_->setMinimumWidth(260);
    text_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
}

void WaitWindow::SetText(const QString& text) {
    text_->setText(text);
}

DataPortDialog::DataPortDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Paramètres Serveur de vos fichiers"));
    setObjectName(QStringLiteral("DataPortDialog"));
    open_ = new QRadioButton(QStringLiteral("My computer is not behind a firewall; other users can connect to this port:"), this);
    auto* firewalled = new QRadioButton(QStringLiteral("My computer is behind a firewall that blocks incoming TCP connections"), this);
    firewalled->setChecked(true);
    port_ = new QLineEdit(QStringLiteral("6699"), this);
    port_->setValidator(new QIntValidator(0, 65534, port_));
    port_->setEnabled(false);
    connect(open_, &QRadioButton::toggled, port_, &QLineEdit::setEnabled);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(open_);
    layout->addWidget(port_);
    layout->addWidget(firewalled);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

int DataPortDialog::Port() const {
    return open_->isChecked() ? port_->text().toInt() : 0;
}

RegistrationProblemDialog::RegistrationProblemDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Problème d'enregistrement"));
    setObjectName(QStringLiteral("RegistrationProblemDialog"));
    auto* text = new QLabel(QStringLiteral("Tandril could not reach the server to register. Check your connection to the Internet "
                                           "(and your proxy settings), then try again."),
                            this);
    text->setWordWrap(true);
    auto* retry = new QPushButton(QStringLiteral("&Recommencer"), this);
    auto* quit = new QPushButton(QStringLiteral("&Quitter"), this);
    connect(retry, &QPushButton::clicked, this, &QDialog::accept);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(retry);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

}  // namespace tandril::gui
