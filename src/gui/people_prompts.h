#pragma once
// The main menu's prompts for a user's name, each pre-filled with the user the current page has
// selected: "Add User to Hot List" (also the hot-list page's add button) and "Name of user".

namespace tandril::gui {

class MainWindow;

// Needs a connection (else "You must first connect to the server!"); on OK sends 207 and shows
// the hot-list page.
void PromptAddHotListUser(MainWindow& window);
// On OK asks the server for the user's information (603).
void PromptUserInfo(MainWindow& window);

}  // namespace tandril::gui
