#include "upgrade/http_get.h"

#include <sys/socket.h>

#include "base/runtime.h"
#include "base/text.h"
#include "link/proxy_client.h"

namespace tandril::upgrade {

namespace {

constexpr std::size_t kLineBuffer = 2048;
constexpr std::size_t kBlock = 2048;

enum class ReadResult { Data, Closed, Stalled };

ReadResult ReceiveSome(int fd, char* buffer, std::size_t size, std::chrono::milliseconds timeout, std::size_t& got) {
    switch (platform::WaitReadable(fd, timeout)) {
        case platform::WaitResult::Ready:
            break;
        case platform::WaitResult::TimedOut:
            return ReadResult::Stalled;
        case platform::WaitResult::Failed:
            return ReadResult::Closed;
    }
    ssize_t n = ::recv(fd, buffer, size, 0);
    if (n <= 0) return ReadResult::Closed;
    got = static_cast<std::size_t>(n);
    return ReadResult::Data;
}

// One line of the head, read a byte at a time so that nothing of the body is taken with it; cut
// at its first carriage return and its first line feed, and to the line buffer.
ReadResult ReadHeadLine(int fd, std::chrono::milliseconds timeout, std::string& line) {
    line.clear();
    bool cut = false;
    for (;;) {
        char c = 0;
        std::size_t got = 0;
        ReadResult r = ReceiveSome(fd, &c, 1, timeout, got);
        if (r != ReadResult::Data) return r;
        if (c == '\n') return ReadResult::Data;
        if (c == '\r') cut = true;
        if (!cut && line.size() < kLineBuffer - 1) line.push_back(c);
    }
}

}  // namespace

std::optional<std::int64_t> ContentLengthOf(std::string_view headLine) {
    if (headLine.substr(0, 15) != "Content-Length:") return std::nullopt;
    // "Content-Length:" and the number may stand without a blank between them.
    std::string_view rest = headLine.substr(15);
    auto field = GetField(rest, 1, 64);
    if (!field || !IsDecimal(*field)) return -1;
    return DecimalValue(*field);
}

int StatusCodeOf(std::string_view firstLine) {
    if (!firstLine.starts_with("HTTP/")) return 0;
    auto code = GetField(firstLine, 2, 8);
    if (!code || code->size() != 3 || !IsDecimal(*code)) return 0;
    return static_cast<int>(DecimalValue(*code));
}

HttpResult HttpGetBlocking(Runtime& rt, const HttpRequest& request, const BodySink& sink, const BodyProgress& progress) {
    HttpResult result;
    link::ProxyOutcome connection = link::ConnectThroughProxy(rt, request.to, false);
    if (connection.status != 1) return result;
    const int fd = connection.socket.fd();
    if (!platform::SendAllBlocking(fd, "GET " + request.path + " HTTP/1.0\n") ||
        !platform::SendAllBlocking(fd, "Host: " + request.host + "\n\n")) {
        result.outcome = HttpResult::Outcome::HeadFailed;
        return result;
    }
    std::string line;
    for (bool first = true;; first = false) {
        ReadResult r = ReadHeadLine(fd, request.readTimeout, line);
        if (r != ReadResult::Data) {
            result.outcome = r == ReadResult::Stalled ? HttpResult::Outcome::Stalled : HttpResult::Outcome::HeadFailed;
            return result;
        }
        if (line.empty()) break;
        if (first) {
            result.statusLine = line;
            result.status = StatusCodeOf(line);
        }
        if (auto length = ContentLengthOf(line)) result.expectedLength = length;
    }
    char block[kBlock];
    for (;;) {
        if (result.expectedLength && static_cast<std::int64_t>(result.received) == *result.expectedLength) break;
        std::size_t got = 0;
        ReadResult r = ReceiveSome(fd, block, sizeof block, request.readTimeout, got);
        if (r == ReadResult::Closed) break;
        if (r == ReadResult::Stalled) {
            result.outcome = HttpResult::Outcome::Stalled;
            return result;
        }
        if (result.received + got > request.maxBody) {
            result.outcome = HttpResult::Outcome::TooLarge;
            return result;
        }
        if (!sink(std::string_view(block, got))) {
            result.outcome = HttpResult::Outcome::SinkFailed;
            return result;
        }
        result.received += got;
        if (progress) progress(result.received, result.expectedLength);
    }
    result.outcome = HttpResult::Outcome::Complete;
    return result;
}

}  // namespace tandril::upgrade
