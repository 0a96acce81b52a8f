#include "protocol/redirector_reply.h"

#include "base/settings.h"
#include "base/text.h"

namespace tandril::protocol {

RedirectorReply ParseRedirectorReply(std::string_view text) {
    RedirectorReply reply;
    text = text.substr(0, text.find('\r'));
    text = text.substr(0, text.find('\n'));
    text = Trim(text);
    if (auto colon = text.find(':'); colon != std::string_view::npos) {
        reply.kind = RedirectorReply::Server;
        reply.address = std::string(Trim(text.substr(0, colon)));
        reply.port = static_cast<int>(DecimalValue(Trim(text.substr(colon + 1))));
        return reply;
    }
    if (text.size() < 5 || !EqualsNoCase(text.substr(0, 5), "WAIT ")) return reply;
    reply.kind = RedirectorReply::Wait;
    reply.waitSeconds = static_cast<int>(std::max(0LL, DecimalValue(Trim(text.substr(text.find(' ') + 1)))));
    return reply;
}

}  // namespace tandril::protocol
