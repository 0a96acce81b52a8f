#include "session/connectivity_probes.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

#include "base/settings.h"
#include "base/text.h"
#include "base/wire_text.h"
#include "protocol/server_messages.h"
#include "session/session.h"

namespace tandril::session {

using namespace std::chrono_literals;

namespace {

// 900: connect out to the address and port, then send the text.
void OutboundProbe(Session& client, std::string address, int port, std::string text) {
    auto ip = platform::ParseDottedAddress(address);
    if (!ip || port <= 0 || port > 65535) return;
    platform::Socket s;
    // Retried while it is in progress for up to 20 seconds.
    auto deadline = std::chrono::steady_clock::now() + client.rt.Scaled(20s);
    while (platform::ConnectBlocking({*ip, static_cast<std::uint16_t>(port)}, client.rt.Scaled(1s), s) !=
           platform::ConnectResult::Connected) {
        if (std::chrono::steady_clock::now() >= deadline || client.rt.state.quitting) return;
        client.rt.Sleep(1s);
    }
    platform::SendAllBlocking(s.fd(), ToWireText(text));
}

// 901: listen on the port for one connection within the time-out and send it the text.
void InboundProbe(Session& client, int port, int seconds, std::string text) {
    if (port <= 0 || port > 65535 || seconds < 0) return;
    platform::Socket listener = platform::ListenTcp(static_cast<std::uint16_t>(port), false, 5);
    if (!listener) return;
    // A connection that goes away between the wake-up and the accept must not leave the accept
    // waiting for another one, past the time-out or the end of the client.
    platform::SetBlocking(listener.fd(), false);
    auto deadline = std::chrono::steady_clock::now() + client.rt.Scaled(std::chrono::seconds(seconds));
    while (!client.rt.state.quitting) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        auto ready = platform::WaitReadable(listener.fd(), std::min<std::chrono::milliseconds>(left, 200ms));
        if (ready == platform::WaitResult::Failed) return;
        if (ready == platform::WaitResult::TimedOut) continue;
        platform::Socket peer(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!peer) continue;
        platform::SendAllBlocking(peer.fd(), ToWireText(text));
        return;
    }
}

}  // namespace

void StartConnectivityProbe(Session& client, protocol::MessageType type, const std::string& payload) {
    if (type == protocol::MessageType::OutboundProbe) {
        auto probe = protocol::OutboundProbe::Decode(payload);
        if (!probe) return;
        client.rt.StartWorker([&client, address = probe->address, port = static_cast<int>(DecimalValue(probe->port)), text = probe->text] {
            OutboundProbe(client, address, port, text);
        });
    } else if (type == protocol::MessageType::InboundProbe) {
        auto probe = protocol::InboundProbe::Decode(payload);
        if (!probe) return;
        client.rt.StartWorker([&client, port = static_cast<int>(DecimalValue(probe->port)),
                               seconds = static_cast<int>(DecimalValue(probe->seconds)),
                               text = probe->text] { InboundProbe(client, port, seconds, text); });
    }
}

}  // namespace tandril::session
