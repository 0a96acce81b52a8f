#include "session/pending_parts.h"

#include "session/ignore_list.h"
#include "session/instant_messages.h"
#include "session/session.h"

namespace tandril::session {

void BrowseUser(Session&, const std::string&) {}
bool IsOnHotList(Session&, const std::string&) {
    return false;
}

bool UserActionAvailable(Session&, UserAction action) {
    switch (action) {
        case UserAction::InstantMessage:
        case UserAction::Ignore:
        case UserAction::Unignore:
            return true;
        default:
            return false;
    }
}

void RunUserAction(Session& client, UserAction action, const std::string& user) {
    switch (action) {
        case UserAction::InstantMessage:
            OpenInstantMessage(client, user);
            break;
        case UserAction::Ignore:
            IgnoreUser(client, user);
            break;
        case UserAction::Unignore:
            UnignoreUser(client, user);
            break;
        default:
            break;
    }
}

void LoadHotList(Session&) {}
void WatchHotListUsers(Session&) {}
void SaveIncompleteDownloads(Session&) {}
void ClearOnlineViews(Session&) {}

}  // namespace tandril::session
