#include "gui/pages/my_files_page.h"

namespace tandril::gui {

MyFilesPage::MyFilesPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("MyFilesPage"));
}

}  // namespace tandril::gui
