#include "gui/library/rename_dialog.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>

namespace tandril::gui {

std::unique_ptr<QInputDialog> MakeRenameDialog(const QString& offered, QWidget* parent) {
    auto dialog = std::make_unique<QInputDialog>(parent);
    dialog->setWindowTitle(QStringLiteral("Rename file?"));
    dialog->setLabelText(QStringLiteral("New file name:"));
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(offered);
    if (auto* field = dialog->findChild<QLineEdit*>()) {
        // The text, the field's frame and margins, and room for the cursor after the last letter.
        const int text = field->fontMetrics().horizontalAdvance(offered) + 24;
        const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
        const int most = screen ? screen->availableGeometry().width() * 4 / 5 : 1000;
        field->setMinimumWidth(std::clamp(text, 260, std::max(260, most)));
    }
    return dialog;
}

}  // namespace tandril::gui
