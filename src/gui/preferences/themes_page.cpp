#include "gui/preferences/themes_page.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/client.h"
#include "base/text.h"
#include "chat/chat_line.h"
#include "gui/chat/chat_view_widget.h"
#include "session/account.h"

namespace tandril::gui {

namespace {

QColor ToQColor(std::uint32_t c) {
    return QColor(chat::Red(c), chat::Green(c), chat::Blue(c));
}
std::uint32_t FromQColor(const QColor& c) {
    return chat::Rgb(c.red(), c.green(), c.blue());
}

ThemesPage::ColorPicker DesktopColorPicker(QWidget* owner) {
    return [owner](const QString& title, const QColor& start) -> std::optional<QColor> {
        QColor chosen = QColorDialog::getColor(start, owner, title);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
}

ThemesPage::FontPicker DesktopFontPicker(QWidget* owner) {
    return [owner](const QFont& start) -> std::optional<QFont> {
        bool ok = false;
        QFont chosen = QFontDialog::getFont(&ok, start, owner);
        if (!ok) return std::nullopt;
        return chosen;
    };
}

}  // namespace

std::string CustomColorsText() {
    // Hex colours, comma-separated; the unused white slots at the end are left out. All sixteen fit
    // the setting.
    int last = QColorDialog::customCount() - 1;
    while (last >= 0 && QColorDialog::customColor(last) == QColor(Qt::white)) --last;
    std::string text;
    for (int i = 0; i <= last; ++i) {
        std::string next = QColorDialog::customColor(i).name().mid(1).toStdString();
        if (text.size() + next.size() + (text.empty() ? 0 : 1) > kMaxCustomPallete) break;
        text += (text.empty() ? "" : ",") + next;
    }
    return text;
}

void RestoreCustomColors(const std::string& text) {
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        auto field = GetField(text, i + 1, 8, ',');
        QColor c = field ? QColor(QStringLiteral("#") + QString::fromStdString(*field)) : QColor(Qt::white);
        QColorDialog::setCustomColor(i, c.isValid() ? c : QColor(Qt::white));
    }
}

ThemesPage::ThemesPage(Client& client, QWidget* parent, ColorPicker pickColor, FontPicker pickFont)
    : QWidget(parent),
      client_(client),
      pickColor_(pickColor ? std::move(pickColor) : DesktopColorPicker(this)),
      pickFont_(pickFont ? std::move(pickFont) : DesktopFontPicker(this)) {
    setObjectName(QStringLiteral("ThemesPage"));
    setWindowTitle(QStringLiteral("Thèmes"));
    chat::CopyColorScheme(client.schemes.custom, working_);
    working_.name = client.schemes.custom.name;

    schemes_ = new QComboBox(this);
    schemes_->addItems(
        {QString::fromLatin1(chat::kSchemeWhite), QString::fromLatin1(chat::kSchemeBlack), QString::fromLatin1(chat::kSchemeCustom)});
    const chat::ColorScheme& current = client.schemes.Current();
    schemes_->setCurrentIndex(&current == &client.schemes.black ? 1 : &current == &client.schemes.custom ? 2 : 0);
    items_ = new QListWidget(this);
    previewWidget_ = new ChatViewWidget(
        preview_, [](const QUrl&) {}, this);
    textColor_ = new QPushButton(QStringLiteral("Text Color"), this);
    background_ = new QPushButton(QStringLiteral("Background Color"), this);
    font_ = new QPushButton(QStringLiteral("Police..."), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(schemes_, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Items"), this), 1, 0);
    grid->addWidget(items_, 2, 0, 4, 1);
    grid->addWidget(previewWidget_, 2, 1);
    grid->addWidget(textColor_, 3, 1);
    grid->addWidget(background_, 4, 1);
    grid->addWidget(font_, 5, 1);

    connect(schemes_, &QComboBox::currentIndexChanged, this, &ThemesPage::ShowScheme);
    connect(items_, &QListWidget::currentRowChanged, this, &ThemesPage::ShowPreview);
    connect(textColor_, &QPushButton::clicked, this, &ThemesPage::ChooseTextColor);
    connect(background_, &QPushButton::clicked, this, &ThemesPage::ChooseBackground);
    connect(font_, &QPushButton::clicked, this, &ThemesPage::ChooseFont);
    ShowScheme();
}

ThemesPage::~ThemesPage() = default;

const chat::ColorScheme& ThemesPage::Shown() const {
    switch (schemes_->currentIndex()) {
        case 1:
            return client_.schemes.black;
        case 2:
            return working_;
        default:
            return client_.schemes.white;
    }
}

void ThemesPage::ShowScheme() {
    bool custom = schemes_->currentIndex() == 2;
    textColor_->setEnabled(custom);
    background_->setEnabled(custom);
    font_->setEnabled(custom);
    int row = items_->currentRow();
    items_->clear();
    for (const chat::ColorEntry& e : Shown().Entries()) items_->addItem(QString::fromStdString(e.name));
    items_->setCurrentRow(row);
    ShowPreview();
}

void ThemesPage::ShowPreview() {
    previewWidget_->ApplyScheme(Shown());
    chat::ClearChatControl(preview_);
    QListWidgetItem* item = items_->currentItem();
    if (!item) return;
    std::string name = item->text().toStdString();
    chat::AppendChatLine(preview_, Shown(), name, name, {true, false});
}

void ThemesPage::ChooseTextColor() {
    QListWidgetItem* item = items_->currentItem();
    if (!item) {
        client_.ui.ShowAlert(AlertKind::Modal, "Please select an item from the left and use this button to change its text color.");
        return;
    }
    RestoreCustomColors(client_.state.settings().customPallete);
    auto chosen = pickColor_(QStringLiteral("Text Color"), ToQColor(working_.SchemeColor(item->text().toStdString())));
    client_.state.EditSettings()->customPallete = CustomColorsText();
    if (!chosen) return;
    chat::SetSchemeColor(working_, item->text().toStdString(), FromQColor(*chosen), true, client_.ui);
    ShowPreview();
}

void ThemesPage::ChooseBackground() {
    RestoreCustomColors(client_.state.settings().customPallete);
    auto chosen = pickColor_(QStringLiteral("Background Color"), ToQColor(working_.background));
    client_.state.EditSettings()->customPallete = CustomColorsText();
    if (!chosen) return;
    working_.background = FromQColor(*chosen);
    ShowPreview();
}

void ThemesPage::ChooseFont() {
    QFont start(QString::fromStdString(working_.fontFace), working_.fontSize);
    start.setBold(working_.bold);
    start.setItalic(working_.italic);
    auto chosen = pickFont_(start);
    if (!chosen) return;
    working_.fontFace = CutText(chosen->family().toStdString(), 31);
    working_.fontSize = chosen->pointSize();
    working_.bold = chosen->bold();
    working_.italic = chosen->italic();
}

void ThemesPage::Apply() {
    chat::CopyColorScheme(working_, client_.schemes.custom);
    session::ApplyColorScheme(client_.session, schemes_->currentText().toStdString());
}

}  // namespace tandril::gui
