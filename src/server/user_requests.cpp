#include "server/user_requests.h"

#include "app/client.h"
#include "protocol/server_messages.h"

namespace tandril::server {

void AddToHotList(Client& client, const std::string& user) {
    protocol::Send(client.link, protocol::HotListAdd{user});
}

void RequestUserInfo(Client& client, const std::string& user) {
    protocol::Send(client.link, protocol::UserInfoRequest{user});
}

}  // namespace tandril::server
