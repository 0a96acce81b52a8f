#include "protocol/redirector_reply.h"

#include <algorithm>
#include <limits>

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
        // A number beyond any port is no port (rather than what is left of it in an int).
        const long long port = DecimalValue(Trim(text.substr(colon + 1)));
        reply.port = port >= 0 && port <= 65535 ? static_cast<int>(port) : 0;
        return reply;
    }
    if (text.size() < 5 || !EqualsNoCase(text.substr(0, 5), "WAIT ")) return reply;
    reply.kind = RedirectorReply::Wait;
    const long long seconds = DecimalValue(Trim(text.substr(text.find(' ') + 1)));
    reply.waitSeconds = static_cast<int>(std::clamp<long long>(seconds, 0, std::numeric_limits<int>::max()));
    return reply;
}

}  // namespace tandril::protocol
