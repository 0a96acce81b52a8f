#pragma once
// Web downloads: a result whose name is a web name ("web:\host\path\file") is fetched from an
// ordinary web server with a plain HTTP/1.0 request and stored like any download. No server
// message is sent for it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "transfer/transfer_record.h"

namespace tandril::transfer {

struct Transfers;

// "web:" and a backslash at the start, case ignored.
bool IsWebName(std::string_view name);
// The host (the second backslash-separated field, at most 255 characters) and the request path
// (the rest from the second backslash on, at most 349, with '/' for every backslash and blanks,
// control bytes and bytes beyond ASCII percent-encoded); nullopt when either is missing.
struct WebAddress {
    std::string host;
    std::string path;
};
std::optional<WebAddress> ParseWebName(std::string_view name);

// The answer's head: the status code of its first line (0 when that is no HTTP status line) and
// the size of "Content-Length:" when there is one.
struct WebResponseHead {
    int status = 0;
    std::string statusText;  // the status line without "HTTP/x.y "
    std::optional<std::uint32_t> contentLength;
};
// `head`: the header lines, each without its line end, the status line first.
WebResponseHead ParseResponseHead(const std::vector<std::string>& lines);

// The whole fetch on a worker thread: resolve, connect through the proxy rules, request, read the
// head, then the body (ReceiveBody); the record is Attached throughout.
void WebFetchWorker(Transfers& c, TransferRecord& r);

}  // namespace tandril::transfer
