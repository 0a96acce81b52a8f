#pragma once
// tandril-screenshots: the instant-message window in a conversation and the ignore-list dialog.

#include <QString>
#include <QWidget>
#include <functional>

namespace tandril {
class Client;
}

namespace tandril::gui {

class MainWindow;

void ShootPeopleWindows(Client& client, MainWindow& window, const std::function<void(QWidget&, const QString&)>& save);

}  // namespace tandril::gui
