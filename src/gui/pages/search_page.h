#pragma once
#include <QWidget>

namespace tandril {
class Client;
}

namespace tandril::gui {

// The page behind the tab &Search; its part of the client fills it in.
class SearchPage : public QWidget {
    Q_OBJECT
public:
    SearchPage(Client& client, QWidget* parent = nullptr);

private:
    Client& client_;
};

}  // namespace tandril::gui
