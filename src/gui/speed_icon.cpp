#include "gui/speed_icon.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace tandril::gui {

QIcon LineSpeedIcon(int image) {
    static const QColor kColors[] = {QColor(0x2E, 0x9E, 0x44), QColor(0xF0, 0xA0, 0x30), QColor(0xC8, 0x3C, 0x32)};
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kColors[std::clamp(image, 0, 2)]);
    painter.drawEllipse(1, 1, 10, 10);
    return QIcon(pixmap);
}

}  // namespace tandril::gui
