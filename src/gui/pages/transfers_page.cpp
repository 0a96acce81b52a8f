#include "gui/pages/transfers_page.h"

namespace tandril::gui {

TransfersPage::TransfersPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("TransfersPage"));
}

}  // namespace tandril::gui
