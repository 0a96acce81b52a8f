#pragma once
// The player panel's display: the track information and the elapsed time in an LCD-style font.

#include <QString>
#include <QWidget>

namespace tandril::gui {

// Registers the bundled LCD font with Qt once; the family name, or empty when it cannot be had.
QString LcdFontFamily();

class PlayerDisplay : public QWidget {
    Q_OBJECT
public:
    explicit PlayerDisplay(QWidget* parent = nullptr);
    void SetTexts(const QString& trackInfo, const QString& elapsed);
    QString TrackInfo() const { return trackInfo_; }
    QString Elapsed() const { return elapsed_; }
    QSize sizeHint() const override { return {300, 70}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString trackInfo_;
    QString elapsed_;
};

}  // namespace tandril::gui
