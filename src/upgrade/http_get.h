#pragma once
// An HTTP/1.0 GET as the upgrade makes it: the request, the head read line by line, then the
// body in blocks handed to a sink. Through the proxy rules like every outgoing connection.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/socket.h"

namespace tandril {
class Runtime;
}

namespace tandril::upgrade {

struct HttpResult {
    enum class Outcome {
        Complete,       // the body ended (its length still to be checked by the caller)
        ConnectFailed,  // no connection to the host
        HeadFailed,     // the connection failed or closed before the end of the head
        SinkFailed,     // the sink refused a block (a write failed)
        TooLarge,       // more than the caller's bound
        Stalled,        // nothing arrived within the read time-out
    };
    Outcome outcome = Outcome::ConnectFailed;
    int status = 0;  // from "HTTP/x.y NNN"; 0 when the first line is not a status line
    std::string statusLine;
    std::optional<std::int64_t> expectedLength;  // "Content-Length:"
    std::uint64_t received = 0;
    bool Success() const { return status >= 200 && status <= 299; }
};

struct HttpRequest {
    platform::Endpoint to;
    std::string host;  // for the "Host:" line
    std::string path;
    std::chrono::milliseconds readTimeout{std::chrono::seconds(30)};
    std::uint64_t maxBody = 0;  // more is refused
};

// Each block of the body; false stops the transfer (SinkFailed).
using BodySink = std::function<bool(std::string_view block)>;
// After each block: received so far and the announced length.
using BodyProgress = std::function<void(std::uint64_t received, std::optional<std::int64_t> expected)>;

HttpResult HttpGetBlocking(Runtime& rt, const HttpRequest& request, const BodySink& sink, const BodyProgress& progress = {});

// The second blank-separated field of a "Content-Length:" line (compared for its 15 characters).
std::optional<std::int64_t> ContentLengthOf(std::string_view headLine);
// The status code of "HTTP/x.y NNN ...", or 0.
int StatusCodeOf(std::string_view firstLine);

}  // namespace tandril::upgrade
