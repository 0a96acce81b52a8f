#pragma once
// Ignoring users: the server keeps the list and does the filtering; the client sends the
// commands, shows the server's list in the ignore-list dialog, and remembers for this run whom
// it ignored through the menus (so that buttons can offer the opposite action). GUI thread.

#include <string>
#include <vector>

#include "protocol/ignore_messages.h"

namespace tandril::session {

struct Session;

bool IsIgnored(Session& client, const std::string& user);
// From the user menus, the instant-message window and the invitation: 322, a line in the current
// chat window, and the user remembered as ignored.
void IgnoreUser(Session& client, const std::string& user);
// From the user menus and the instant-message window: 323, a line, and the user forgotten.
void UnignoreUser(Session& client, const std::string& user);

// The ignore-list dialog. Opening it needs a connection (false, with an alert, without one): the
// placeholder row, then 320 asks for the server's list.
bool OpenIgnoreListDialog(Session& client);
void CloseIgnoreListDialog(Session& client);
// "&Ajouter": 322 and the row; nothing remembered, no line shown.
void IgnoreFromDialog(Session& client, const std::string& user);
// "&Effacer": 323 and the row removed, for each of the users; nothing forgotten.
void UnignoreFromDialog(Session& client, const std::vector<std::string>& users);
// "&Vider": every row removed and 326.
void ClearIgnoreList(Session& client);

// From the server.
void OnIgnoreListEnd(Session& client);
void OnIgnoredUserEntry(Session& client, const protocol::IgnoredUserEntry& m);
void OnIgnoreNoSuchUser(Session& client, const protocol::IgnoreNoSuchUser& m);
void OnIgnoreAlreadyIgnored(Session& client, const protocol::IgnoreAlreadyIgnored& m);

}  // namespace tandril::session
