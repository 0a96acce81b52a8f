#include "session/user_requests.h"

#include "protocol/user_info_messages.h"
#include "session/hot_list.h"
#include "session/session.h"

namespace tandril::session {

void AddToHotList(Session& client, const std::string& user) {
    AddHotListUser(client, user);
}

void RequestUserInfo(Session& client, const std::string& user) {
    protocol::Send(client.link, protocol::UserInfoRequest{user});
}

}  // namespace tandril::session
