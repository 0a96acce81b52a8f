#include "support/dante_proxy.h"

#include <fstream>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/socket.h"

namespace tandril::test {

namespace {
constexpr std::uint32_t kLoopback = 0x7F000001;
}

DanteProxy::DanteProxy(const TestProfile& folder, const std::string& method) {
    platform::Socket probe = platform::ListenTcp(0, true);
    port_ = platform::LocalPort(probe);
    probe.reset();
    auto conf = folder.path() / ("danted-" + method + ".conf");
    log_ = folder.path() / ("danted-" + method + ".log");
    std::ofstream(conf) << "logoutput: " << log_.string() << "\n"
                        << "internal: 127.0.0.1 port = " << port_ << "\n"
                        << "external: 127.0.0.1\n"
                        << "clientmethod: none\n"
                        << "socksmethod: " << method << "\n"
                        << "user.privileged: root\nuser.unprivileged: nobody\n"
                        << "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                        << "socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 command: connect\n  log: connect }\n";
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{kDanted, "-f", conf.string(), "-N", "1"});
    for (int i = 0; i < 200 && !Listening(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

bool DanteProxy::Listening() const {
    platform::Socket s;
    return platform::ConnectBlocking({kLoopback, port_}, std::chrono::seconds(1), s) == platform::ConnectResult::Connected;
}

std::string DanteProxy::Log() const {
    return platform::ReadWholeFile(log_).value_or("");
}

}  // namespace tandril::test
