#pragma once
// tandril-screenshots: the incomplete-files dialog with the sources a resume search found.

#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>

namespace tandril {
class Client;
}

namespace tandril::gui {

class MainWindow;

void ShootIncompleteFiles(Client& client, MainWindow& window, const std::function<void(QWidget&, const QString&)>& save,
                          const std::filesystem::path& profile);

}  // namespace tandril::gui
