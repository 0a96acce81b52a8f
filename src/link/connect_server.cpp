#include "link/connect_server.h"

#include <sys/socket.h>

#include "base/text.h"
#include "link/proxy_client.h"
#include "protocol/redirector_reply.h"

namespace tandril::link {

using namespace std::chrono_literals;

namespace {

constexpr auto kRedirectorWait = 20s;

}  // namespace

std::optional<platform::Endpoint> AskRedirector(Runtime& client, std::uint32_t redirector, ConnectingDialogModel* status) {
    int retries = 0;
    for (;;) {
        auto port = static_cast<std::uint16_t>(client.state.endpoints.redirectorPort);
        ProxyOutcome connection = ConnectThroughProxy(client, {redirector, port}, false);
        if (connection.status != 1) return std::nullopt;
        platform::Socket& s = connection.socket;
        if (platform::WaitReadable(s.fd(), client.Scaled(kRedirectorWait)) != platform::WaitResult::Ready) return std::nullopt;
        char buf[100];
        ssize_t n = ::recv(s.fd(), buf, 99, 0);
        if (n <= 0) return std::nullopt;
        s.reset();
        protocol::RedirectorReply reply = protocol::ParseRedirectorReply(std::string_view(buf, static_cast<std::size_t>(n)));
        if (reply.kind == protocol::RedirectorReply::Server) {
            auto address = platform::ParseDottedAddress(reply.address);
            if (!address || reply.port <= 0 || reply.port > 65535) return std::nullopt;
            return platform::Endpoint{*address, static_cast<std::uint16_t>(reply.port)};
        }
        if (reply.kind != protocol::RedirectorReply::Wait) return std::nullopt;
        ++retries;
        if (status) status->SetSecondLine(Format(99, "Waiting %d seconds (%d) Server Busy...", reply.waitSeconds, retries));
        client.Sleep(std::chrono::seconds(reply.waitSeconds));
        if (client.state.quitting) return std::nullopt;
    }
}

int ConnectServer(Runtime& client, ServerLink& link, ConnectingDialogModel* status) {
    link.Close();
    if (status) status->SetStatus("Resolving server...");
    const NetworkEndpoints& ends = client.state.endpoints;
    bool fallbackInUse = false;
    auto redirector = platform::ResolveHostBlocking(ends.primaryRedirector);
    if (!redirector) {
        fallbackInUse = true;
        redirector = platform::ResolveHostBlocking(ends.fallbackRedirector);
        if (!redirector) {
            client.ui.ShowAlert(AlertKind::Modal, Format(511, "Unable to resolve address %s!", ends.primaryRedirector.c_str()));
            return 0;
        }
    }
    if (status) status->SetStatus("Cherche un serveur rapide");
    auto server = AskRedirector(client, *redirector, status);
    if (!server && !fallbackInUse) {
        redirector = platform::ResolveHostBlocking(ends.fallbackRedirector);
        if (!redirector) return 0;
        server = AskRedirector(client, *redirector, status);
    }
    if (!server) return 0;
    if (status) status->SetStatus("Connexion au Serveur...");
    ProxyOutcome connection = ConnectThroughProxy(client, *server, false);
    if (connection.status != 1) return 0;
    link.Attach(std::move(connection.socket));
    std::scoped_lock lock(client.state.serversLock);
    client.state.server = {server->address, server->port};
    return 1;
}

}  // namespace tandril::link
