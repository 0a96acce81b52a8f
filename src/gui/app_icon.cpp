#include "gui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tandril::gui {

namespace {

QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x6f, 0x8b));
    p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    // A note's head and stem: the community shares music.
    p.setBrush(Qt::white);
    double u = size / 32.0;
    p.drawEllipse(QRectF(8 * u, 18 * u, 9 * u, 7 * u));
    p.drawRect(QRectF(15 * u, 7 * u, 2.2 * u, 15 * u));
    QPainterPath flag;
    flag.moveTo(17 * u, 7 * u);
    flag.cubicTo(22 * u, 9 * u, 24 * u, 12 * u, 22 * u, 16 * u);
    flag.cubicTo(22 * u, 13 * u, 20 * u, 11.5 * u, 17 * u, 11 * u);
    p.drawPath(flag);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128}) icon.addPixmap(Draw(size));
    return icon;
}

}  // namespace tandril::gui
