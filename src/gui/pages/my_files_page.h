#pragma once
#include <QWidget>

namespace tandril {
class Client;
}

namespace tandril::gui {

// The page behind the tab &Fichiers; its part of the client fills it in.
class MyFilesPage : public QWidget {
    Q_OBJECT
public:
    MyFilesPage(Client& client, QWidget* parent = nullptr);

private:
    Client& client_;
};

}  // namespace tandril::gui
