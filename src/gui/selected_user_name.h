#pragma once
// The user the main window's current page has selected, offered by the user prompts: on the chat
// page the first selected user of the current channel's list, on the search page the user of the
// first selected result, on the hot-list page its user-name field, on the transfer page the user
// of the first selected transfer (of the list that had the focus last). At most 19 characters;
// empty when nothing applies.

#include <string>

namespace tandril::gui {

class MainWindow;

std::string SelectedUserName(MainWindow& window);

}  // namespace tandril::gui
