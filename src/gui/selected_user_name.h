#pragma once
// The user name the user prompts offer: the user selected on the main window's current page (at
// most 19 characters), empty when nothing applies.

#include <string>

namespace tandril::gui {

class MainWindow;

std::string SelectedUserName(MainWindow& window);

}  // namespace tandril::gui
