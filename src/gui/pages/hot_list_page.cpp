#include "gui/pages/hot_list_page.h"

namespace tandril::gui {

HotListPage::HotListPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("HotListPage"));
}

}  // namespace tandril::gui
