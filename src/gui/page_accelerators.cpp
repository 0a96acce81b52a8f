#include "gui/page_accelerators.h"

#include <QApplication>
#include <QKeyEvent>

#include "gui/main_window.h"

namespace tandril::gui {

PageAccelerators::PageAccelerators(MainWindow& window) : QObject(&window), window_(window) {
    qApp->installEventFilter(this);
}

int PageAccelerators::PageFor(int key, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & ~Qt::KeypadModifier) != Qt::AltModifier) return -1;
    static constexpr int kKeys[] = {Qt::Key_O, Qt::Key_C, Qt::Key_M, Qt::Key_S, Qt::Key_L, Qt::Key_T, Qt::Key_D};
    for (int page = 0; page < 7; ++page) {
        if (kKeys[page] == key) return page;
    }
    return -1;
}

bool PageAccelerators::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int page = PageFor(key->key(), key->modifiers());
    if (page < 0) return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // the key goes to us as a key press, not to a mnemonic or a menu
        return true;
    }
    window_.ShowPage(page, true);
    return true;
}

}  // namespace tandril::gui
