#include "session/pending_parts.h"

#include "session/ignore_list.h"
#include "session/instant_messages.h"
#include "session/session.h"
#include "session/user_requests.h"

namespace tandril::session {

void BrowseUser(Session&, const std::string&) {}

bool UserActionAvailable(Session&, UserAction action) {
    return action != UserAction::Browse;
}

void RunUserAction(Session& client, UserAction action, const std::string& user) {
    switch (action) {
        case UserAction::InstantMessage:
            OpenInstantMessage(client, user);
            break;
        case UserAction::AddToHotList:
            AddToHotList(client, user);
            break;
        case UserAction::UserInformation:
            RequestUserInfo(client, user);
            break;
        case UserAction::Ignore:
            IgnoreUser(client, user);
            break;
        case UserAction::Unignore:
            UnignoreUser(client, user);
            break;
        case UserAction::Browse:
            break;
    }
}

}  // namespace tandril::session
