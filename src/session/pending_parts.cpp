#include "session/pending_parts.h"

#include "session/session.h"

namespace tandril::session {

void OpenInstantMessage(Session&, const std::string&) {}
void BrowseUser(Session&, const std::string&) {}

bool UserActionAvailable(Session&, UserAction) {
    return false;
}
void RunUserAction(Session&, UserAction, const std::string&) {}

void LoadHotList(Session&) {}
void WatchHotListUsers(Session&) {}
void SaveIncompleteDownloads(Session&) {}
void ClearOnlineViews(Session&) {}

}  // namespace tandril::session
