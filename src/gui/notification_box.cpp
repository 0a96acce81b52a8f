#include "gui/notification_box.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/window_placement.h"

namespace tandril::gui {

NotificationBox::NotificationBox(const QString& text, QWidget* owner, Icon icon) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Tandril Notification"));
    setObjectName(QStringLiteral("NotificationBox"));
    auto* iconLabel = new QLabel(this);
    int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    auto standard = icon == Icon::Exclamation   ? QStyle::SP_MessageBoxWarning
                    : icon == Icon::Information ? QStyle::SP_MessageBoxInformation
                                                : QStyle::SP_MessageBoxCritical;
    iconLabel->setPixmap(style()->standardIcon(standard, nullptr, this).pixmap(iconSize, iconSize));
    // The text is shown as it is: what the server sends is never taken as markup.
    auto* field = new QPlainTextEdit(text, this);
    field->setReadOnly(true);
    field->setFrameShape(QFrame::NoFrame);
    field->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    field->viewport()->setAutoFillBackground(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    QFontMetrics metrics(field->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) widest = std::max(widest, metrics.horizontalAdvance(line));
    int width = std::clamp(widest + 24, 220, 560);
    // Lines of the text plus those that wrapping at the widest box adds; long texts scroll.
    int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1 + (widest + 24 > 560 ? widest / 560 : 0);
    field->setFixedSize(width, std::min(lines, 12) * metrics.lineSpacing() + 12);

    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel, 0, Qt::AlignTop);
    row->addWidget(field, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    CentreOver(*this, owner);
}

}  // namespace tandril::gui
