#include "session/user_actions.h"

#include "browse/browse.h"
#include "session/ignore_list.h"
#include "session/instant_messages.h"
#include "session/user_requests.h"

namespace tandril::session {

void BrowseUser(Session& client, const std::string& user) {
    browse::ViewFiles(client.browse, user);
}

bool UserActionAvailable(Session&, UserAction) {
    return true;
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
            BrowseUser(client, user);
            break;
    }
}

}  // namespace tandril::session
