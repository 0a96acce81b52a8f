#include "gui/player/player_display.h"

#include <QFontDatabase>
#include <QPainter>

namespace tandril::gui {

QString LcdFontFamily() {
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DSEG7Classic-Regular.ttf"));
        const QStringList families = id < 0 ? QStringList{} : QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.front();
    }();
    return family;
}

PlayerDisplay::PlayerDisplay(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PlayerDisplay"));
    setMinimumSize(260, 64);
    setAttribute(Qt::WA_OpaquePaintEvent);
    LcdFontFamily();  // registered as the window is built, not at the first paint
}

void PlayerDisplay::SetTexts(const QString& trackInfo, const QString& elapsed) {
    if (trackInfo == trackInfo_ && elapsed == elapsed_) return;
    trackInfo_ = trackInfo;
    elapsed_ = elapsed;
    update();
}

void PlayerDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const int half = height() / 3;
    QFont info(QStringLiteral("Arial"));
    info.setPixelSize(15);
    p.setFont(info);
    p.setPen(QColor(192, 192, 192));
    p.drawText(QRect(0, 4, width(), half), Qt::AlignCenter, trackInfo_);
    QFont lcd(LcdFontFamily().isEmpty() ? QStringLiteral("Monospace") : LcdFontFamily());
    lcd.setPixelSize(30);
    p.setFont(lcd);
    p.setPen(QColor(50, 50, 250));
    p.drawText(QRect(0, half, width(), height() - half), Qt::AlignCenter, elapsed_);
}

}  // namespace tandril::gui
