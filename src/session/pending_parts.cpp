#include "session/pending_parts.h"

#include "session/session.h"
#include "session/user_requests.h"

namespace tandril::session {

void OpenInstantMessage(Session&, const std::string&) {}
void BrowseUser(Session&, const std::string&) {}

bool UserActionAvailable(Session&, UserAction action) {
    switch (action) {
        case UserAction::AddToHotList:
        case UserAction::UserInformation:
            return true;
        default:
            return false;
    }
}

void RunUserAction(Session& client, UserAction action, const std::string& user) {
    switch (action) {
        case UserAction::AddToHotList:
            AddToHotList(client, user);
            break;
        case UserAction::UserInformation:
            RequestUserInfo(client, user);
            break;
        default:
            break;
    }
}

void SaveIncompleteDownloads(Session&) {}

}  // namespace tandril::session
