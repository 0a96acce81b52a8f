#include "gui/pages/search_page.h"

namespace tandril::gui {

SearchPage::SearchPage(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("SearchPage"));
}

}  // namespace tandril::gui
