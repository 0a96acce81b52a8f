#include "browse/list_exchange.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <vector>

#include "base/text.h"
#include "browse/browse.h"
#include "library/library.h"
#include "link/proxy_client.h"
#include "platform/socket.h"
#include "transfer/transfers.h"

namespace tandril::browse {

using namespace std::chrono_literals;

namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
// A list goes out in pieces of about this size, so that a client that ends is not held up by a
// requester that stopped reading for longer than one piece's wait.
constexpr std::size_t kSendPiece = 64 * 1024;

// The peer's address as the server would write it (the first octet in the low byte).
std::uint32_t PeerAddress(int fd) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || peer.sin_family != AF_INET) return 0;
    return peer.sin_addr.s_addr;
}

// The greeting byte of the side that was connected to: within the wait, and "1".
enum class Greeting { Ok, TimedOut, Refused };
Greeting AwaitGreeting(Browse& b, int fd) {
    if (!transfer::WaitForData(b.transfers, fd, b.rt.Scaled(kBrowseWait))) return Greeting::TimedOut;
    char byte = 0;
    if (::recv(fd, &byte, 1, 0) != 1 || byte != protocol::kPeerGreeting[0]) return Greeting::Refused;
    return Greeting::Ok;
}

bool SendPieces(Browse& b, int fd, std::string_view text) {
    while (!text.empty()) {
        if (b.rt.state.quitting) return false;
        const std::string_view piece = text.substr(0, kSendPiece);
        if (!platform::SendAllBlocking(fd, piece, b.rt.Scaled(kBrowseWait))) return false;
        text.remove_prefix(piece.size());
    }
    return true;
}

}  // namespace

void GetListWorker(Browse& b, const protocol::DirectBrowseAccepted& m) {
    const std::string nick = m.user;
    const int port = static_cast<int>(m.port);
    auto unreachable = [&] {
        protocol::Send(b.server, protocol::PeerUnreachable{nick, port});
        b.ShowStatusFor(nick, "User is not properly configured.");
    };
    if (m.port == 0 || m.port > 65535 || m.address == 0) return unreachable();
    link::ProxyOutcome connection = link::ConnectThroughProxy(b.rt, {ntohl(m.address), static_cast<std::uint16_t>(m.port)}, true);
    if (connection.status != 1) return unreachable();
    // Another browse began meanwhile: this one is over.
    if (!b.Wants(nick)) return;
    const int fd = connection.socket.fd();
    switch (AwaitGreeting(b, fd)) {
        case Greeting::TimedOut:
            return b.ShowStatusFor(nick, "Query timed out.");
        case Greeting::Refused:
            return unreachable();
        case Greeting::Ok:
            break;
    }
    if (!platform::SendAllBlocking(fd, protocol::PeerCommandText(protocol::PeerCommand::GetList), b.rt.Scaled(kBrowseWait))) {
        return b.ShowStatusFor(nick, "Disconnected from user.");
    }
    ListReceiver(b, fd, {});
}

void PushListWorker(Browse& b, const protocol::DirectBrowse& m) {
    const std::string nick = m.user;
    const std::uint32_t port = m.port.value_or(0);
    auto unreachable = [&] { protocol::Send(b.server, protocol::PeerUnreachable{nick, static_cast<int>(port)}); };
    if (port == 0 || port > 65535 || m.address.value_or(0) == 0) return unreachable();
    link::ProxyOutcome connection = link::ConnectThroughProxy(b.rt, {ntohl(*m.address), static_cast<std::uint16_t>(port)}, true);
    if (connection.status != 1) return unreachable();
    const int fd = connection.socket.fd();
    switch (AwaitGreeting(b, fd)) {
        case Greeting::TimedOut:
            return;
        case Greeting::Refused:
            return unreachable();
        case Greeting::Ok:
            break;
    }
    if (!platform::SendAllBlocking(fd, protocol::PeerCommandText(protocol::PeerCommand::SendList), b.rt.Scaled(kBrowseWait))) return;
    ListSender(b, fd);
}

std::string OwnListText(Browse& b) {
    std::string text = protocol::ListNickLine(b.rt.state.account().userName);
    {
        library::SharedList& list = b.library.sharedList;
        std::scoped_lock held(list.lock);
        for (library::SharedFileRecord& r : list.records()) {
            if (!r.announced) continue;
            if (auto line = protocol::ListShareLine({list.VirtualName(r), r.hash, r.size, r.bitrate, r.frequency, r.length})) {
                text += *line;
            }
        }
    }
    text += protocol::kListEndLine;
    return text;
}

void ListSender(Browse& b, int fd) {
    if (!b.EnterListSender()) return;
    struct Place {
        Browse& b;
        ~Place() { b.LeaveListSender(); }
    } place{b};
    // The list is written out first: no network I/O under the library lock.
    const std::string text = OwnListText(b);
    SendPieces(b, fd, text);
}

void ListReceiver(Browse& b, int fd, std::string_view already) {
    protocol::ListLineSplitter splitter;
    std::optional<std::string> nick;
    std::vector<BrowseRecord> records;
    bool wanted = true;
    auto onLine = [&](std::string line) {
        if (!nick) {
            nick = protocol::ListNick(line);
            // A list nobody asked for, or for another user than the browsed one, is not read.
            wanted = !nick->empty() && b.BeginDirectList(*nick);
            return wanted;
        }
        if (line.empty()) return false;
        if (records.size() >= kMaxBrowseRecords) return true;  // the rest is read and dropped
        if (auto record = protocol::ParseListShareLine(line)) records.push_back(std::move(*record));
        return true;
    };
    bool more = splitter.Feed(already, onLine);
    std::vector<char> block(kReadBlock);
    while (more) {
        if (!transfer::WaitForData(b.transfers, fd, b.rt.Scaled(kBrowseWait))) break;
        const ssize_t n = ::recv(fd, block.data(), block.size(), 0);
        if (n <= 0) break;
        more = splitter.Feed(std::string_view(block.data(), static_cast<std::size_t>(n)), onLine);
    }
    if (!nick || !wanted) return;
    // A list that breaks off (no empty line) shows what came of it; a line left without its line
    // end is not taken.
    BrowseFinished(b, *nick, PeerAddress(fd), std::move(records));
}

void OnDirectBrowseAccepted(Browse& b, const protocol::DirectBrowseAccepted& m) {
    if (!EqualsNoCase(m.user, b.BrowsedUser())) return;
    b.StopTimer();
    b.rt.StartWorker([&b, m] { GetListWorker(b, m); });
}

void OnDirectBrowseRequest(Browse& b, const protocol::DirectBrowse& m) {
    if (m.HasAddress()) {
        b.rt.StartWorker([&b, m] { PushListWorker(b, m); });
    } else {
        protocol::Send(b.server, protocol::DirectBrowseAccepted{m.user});
    }
}

void ListConnection(Browse& b, protocol::PeerCommand command, int fd, const std::string& rest) {
    if (command == protocol::PeerCommand::GetList) return ListSender(b, fd);
    if (command == protocol::PeerCommand::SendList) return ListReceiver(b, fd, rest);
}

}  // namespace tandril::browse
