#pragma once
// A browsed user's files for the screenshots: what the file browser shows after a browse.

namespace tandril {
class Client;
}

namespace tandril::gui {

// Fills the browse view with a user's files and the information line with their totals.
void ShowDemoBrowse(Client& client);

}  // namespace tandril::gui
