#pragma once
// The redirector's one-line answer: "address:port" of an index server, or "WAIT seconds".

#include <cstdint>
#include <string>
#include <string_view>

namespace tandril::protocol {

struct RedirectorReply {
    enum Kind { Server, Wait, Invalid } kind = Invalid;
    std::string address;  // dotted IPv4 text
    int port = 0;
    int waitSeconds = 0;
};

RedirectorReply ParseRedirectorReply(std::string_view text);

}  // namespace tandril::protocol
