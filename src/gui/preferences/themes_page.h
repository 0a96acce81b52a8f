#pragma once
// "Thèmes": the colour-scheme page of the preferences. It edits a working copy of the custom
// scheme; Apply makes the choice current and keeps the copy.

#include <QWidget>
#include <functional>
#include <memory>

#include "chat/chat_view.h"
#include "chat/color_scheme.h"

class QColorDialog;
class QComboBox;
class QListWidget;
class QPushButton;

namespace tandril {
class Client;
}

namespace tandril::gui {

class ChatViewWidget;

class ThemesPage : public QWidget {
    Q_OBJECT
public:
    // `pickColor` and `pickFont` stand for the desktop's dialogs (tests answer them).
    using ColorPicker = std::function<std::optional<QColor>(const QString& title, const QColor& start)>;
    using FontPicker = std::function<std::optional<QFont>(const QFont& start)>;
    ThemesPage(Client& client, QWidget* parent = nullptr, ColorPicker pickColor = {}, FontPicker pickFont = {});
    ~ThemesPage() override;

    // The combo box decides the current scheme; the working copy becomes the custom scheme.
    void Apply();

    QComboBox* Schemes() const { return schemes_; }
    QListWidget* Items() const { return items_; }
    QPushButton* TextColorButton() const { return textColor_; }
    QPushButton* BackgroundButton() const { return background_; }
    QPushButton* FontButton() const { return font_; }
    const chat::ColorScheme& Working() const { return working_; }
    const chat::ChatView& Preview() const { return preview_; }

private:
    const chat::ColorScheme& Shown() const;
    void ShowScheme();
    void ShowPreview();
    void ChooseTextColor();
    void ChooseBackground();
    void ChooseFont();

    Client& client_;
    ColorPicker pickColor_;
    FontPicker pickFont_;
    chat::ColorScheme working_;
    chat::ChatView preview_;
    QComboBox* schemes_;
    QListWidget* items_;
    ChatViewWidget* previewWidget_;
    QPushButton* textColor_;
    QPushButton* background_;
    QPushButton* font_;
};

// The 16 custom colours of the colour dialog, as kept in the setting "CustomPallete".
std::string CustomColorsText();
void RestoreCustomColors(const std::string& text);

}  // namespace tandril::gui
