#pragma once
// "Tandril Notification": the error icon, the text in a read-only field and "OK"; sized to the
// text and centred on its owner.

#include <QDialog>

#include "base/ui_port.h"

namespace tandril::gui {

class NotificationBox : public QDialog {
    Q_OBJECT
public:
    NotificationBox(const QString& text, QWidget* owner, Icon icon = Icon::Error);
};

}  // namespace tandril::gui
