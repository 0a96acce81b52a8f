#include "gui/pages/chat_page.h"

namespace tandril::gui {

ChatPage::ChatPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("ChatPage"));
}

}  // namespace tandril::gui
