#include "gui/selected_user_name.h"

namespace tandril::gui {

// The pages' selections are read by the hot-list part's version of this function; until then the
// prompts start empty.
std::string SelectedUserName(MainWindow&) {
    return {};
}

}  // namespace tandril::gui
