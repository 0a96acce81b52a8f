#pragma once

namespace tandril::gui {

class MainWindow;

// The menu bar and its commands.
void BuildMainMenu(MainWindow& window);

}  // namespace tandril::gui
