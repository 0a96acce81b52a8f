#include "server/dispatcher.h"

#include "app/client.h"
#include "app/text_format.h"
#include "server/get_field.h"

namespace tandril::server {

namespace {

void OnServerStatistics(Client& client, const std::string& payload) {
    std::string fields[3];
    for (int i = 0; i < 3; ++i) fields[i] = GetField(payload, i + 1, 50).value_or("");
    client.SetStatusText(1, Format(99, "Currently %s users sharing %s files (%s gigs)", GroupThousands(fields[0]).c_str(),
                                   GroupThousands(fields[1]).c_str(), GroupThousands(fields[2]).c_str()));
}

}  // namespace

void ServerDispatcher(Client& client, int type, const std::string& payload) {
    switch (type) {
        case 214:
            OnServerStatistics(client, payload);
            break;
        default:
            break;  // the other message types join as their handlers are written
    }
}

}  // namespace tandril::server
