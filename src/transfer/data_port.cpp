#include "transfer/data_port.h"

#include <sys/socket.h>

#include <memory>

#include "base/text.h"
#include "protocol/server_messages.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"
#include "transfer/upload.h"

namespace tandril::transfer {

DataPortListener::DataPortListener(Transfers& c, platform::Socket listening)
    : c_(c), socket_(std::move(listening)), port_(platform::LocalPort(socket_)), thread_([this](std::stop_token stop) { Run(stop); }) {}

void DataPortListener::Run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        // Short waits, so that a changed port or the end of the client is seen at once.
        auto ready = platform::WaitReadable(socket_.fd(), std::chrono::milliseconds(200));
        if (ready == platform::WaitResult::Failed) return;
        if (ready == platform::WaitResult::TimedOut) continue;
        platform::Socket accepted(::accept4(socket_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!accepted) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) continue;
            return;  // the listener ends; setting the port again starts another
        }
        platform::SetBuffers(accepted.fd(), 65536);
        auto socket = std::make_shared<platform::Socket>(std::move(accepted));
        c_.rt.StartWorker([&c = c_, socket] { IncomingConnection(c, std::move(*socket)); });
    }
}

void SetDataPort(Transfers& c, long long port) {
    if (port < 0 || port >= 65535) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "Invalid data port chosen!");
        return;
    }
    c.rt.state.EditAccount()->dataPort = static_cast<int>(port);
    StartDataPortListener(c);
    // The server hears of the port that really listens: 0 when it could not be bound.
    protocol::Send(c.server, protocol::ChangeDataPort{c.rt.state.account().dataPort});  // nothing goes out while offline
    if (c.rt.state.account().dataPort != 0) AskAgainAfterFirewallConflicts(c);
}

void AskAgainAfterFirewallConflicts(Transfers& c) {
    Outbox out(c);
    ListLock lock = c.lists.Take(false);
    for (auto& r : c.lists.Of(lock, false)) {
        if (!r->firewallConflict || r->state != TransferState::Connecting) continue;
        r->firewallConflict = false;
        AskForDownload(c, lock, *r, out);
    }
}

bool StartDataPortListener(Transfers& c) {
    const int port = c.rt.state.account().dataPort;
    {
        std::scoped_lock lock(c.listenerLock);
        if (c.listener && port != 0 && c.listener->Port() == port) return true;
        c.listener.reset();
        if (port == 0) return true;
        platform::Socket socket = platform::ListenTcp(static_cast<std::uint16_t>(port), false, 5);
        if (socket) {
            c.listener = std::make_unique<DataPortListener>(c, std::move(socket));
            return true;
        }
    }
    c.rt.state.EditAccount()->dataPort = 0;
    c.rt.ui.ShowAlert(AlertKind::Modeless, Format(100, "Unable to bind() to port %d! Going into firewall mode.", port));
    return false;
}

void StopDataPortListener(Transfers& c) {
    std::unique_ptr<DataPortListener> listener;
    {
        std::scoped_lock lock(c.listenerLock);
        listener.swap(c.listener);
    }
}

}  // namespace tandril::transfer
