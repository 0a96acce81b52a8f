#pragma once
// The main window: five pages in tabs and the two-part status bar. The pages are filled in by
// the parts of the client they show.

#include <QMainWindow>

namespace tandril {
class Client;
}

class QLabel;
class QTabWidget;

namespace tandril::gui {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Client& client);
    // The saved placement when it fits this screen, else maximised.
    void ShowWithSavedPlacement();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LayOutStatusBar();

    Client& client_;
    QTabWidget* tabs_;
    QLabel* statusParts_[2];
};

}  // namespace tandril::gui
