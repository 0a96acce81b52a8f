#pragma once
// The main window's accelerator table: Alt+O, C, M, S, L, T and D show the pages 0 to 6. Keys
// are taken before the widgets' own shortcuts, the way the message loop translates them first.

#include <QObject>
#include <QWidget>

namespace tandril::gui {

class MainWindow;

class PageAccelerators : public QObject {
    Q_OBJECT
public:
    explicit PageAccelerators(MainWindow& window);
    // The page an accelerator shows, or -1.
    static int PageFor(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& window_;
};

}  // namespace tandril::gui
