#pragma once
// A real SOCKS server from the system's packages (dante), started on a free loopback port for
// one test and ended with it.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/test_profile.h"

namespace tandril::test {

class DanteProxy {
public:
    // `method`: "none" or "username". Every connection it passes is logged to LogFile().
    DanteProxy(const TestProfile& folder, const std::string& method);
    bool Listening() const;
    std::uint16_t Port() const { return port_; }
    std::string Log() const;
    static constexpr const char* kDanted = "/usr/sbin/danted";

private:
    std::uint16_t port_ = 0;
    std::filesystem::path log_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace tandril::test
