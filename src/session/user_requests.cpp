#include "session/user_requests.h"

#include "protocol/server_messages.h"
#include "session/session.h"

namespace tandril::session {

void AddToHotList(Session& client, const std::string& user) {
    protocol::Send(client.link, protocol::HotListAdd{user});
}

void RequestUserInfo(Session& client, const std::string& user) {
    protocol::Send(client.link, protocol::UserInfoRequest{user});
}

}  // namespace tandril::session
