#pragma once
#include <QWidget>

namespace tandril {
class Client;
}

namespace tandril::gui {

// The page behind the tab &Favoris ; its part of the client fills it in.
class HotListPage : public QWidget {
    Q_OBJECT
public:
    HotListPage(Client& client, QWidget* parent = nullptr);

private:
    Client& client_;
};

}  // namespace tandril::gui
