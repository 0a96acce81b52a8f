#pragma once
// nginx (Debian's) on a free loopback port, started by a test with a configuration of its own.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/socket.h"
#include "support/child_process.h"
#include "support/test_profile.h"

namespace tandril::test {

inline constexpr const char* kNginx = "/usr/sbin/nginx";

// nginx serving `root()` on a free loopback port, in the foreground, as a child of the test.
class Nginx {
public:
    // `locations`: more of the server block (such as a location that answers with an error).
    explicit Nginx(const TestProfile& folder, const std::string& locations = {}) : prefix_(folder.path() / "nginx") {
        std::filesystem::create_directories(root());
        std::filesystem::create_directories(prefix_ / "temp");
        platform::Socket probe = platform::ListenTcp(0, true);
        port_ = platform::LocalPort(probe);
        probe.reset();
        const std::string p = prefix_.string();
        std::ofstream(prefix_ / "nginx.conf") << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                                              << "pid " << p << "/nginx.pid;\nerror_log " << p << "/error.log;\n"
                                              << "events { worker_connections 32; }\n"
                                              << "http {\n  access_log " << p << "/access.log;\n"
                                              << "  client_body_temp_path " << p << "/temp/body;\n"
                                              << "  proxy_temp_path " << p << "/temp/proxy;\n"
                                              << "  fastcgi_temp_path " << p << "/temp/fastcgi;\n"
                                              << "  uwsgi_temp_path " << p << "/temp/uwsgi;\n"
                                              << "  scgi_temp_path " << p << "/temp/scgi;\n"
                                              << "  default_type application/octet-stream;\n"
                                              << "  server { listen 127.0.0.1:" << port_ << "; root " << root().string() << ";\n"
                                              << locations << " }\n}\n";
        process_ =
            std::make_unique<ChildProcess>(std::vector<std::string>{kNginx, "-p", p, "-e", p + "/error.log", "-c", p + "/nginx.conf"});
        for (int i = 0; i < 400 && !Listening(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    bool Listening() const {
        platform::Socket s;
        return platform::ConnectBlocking({0x7F000001, port_}, std::chrono::seconds(1), s) == platform::ConnectResult::Connected;
    }
    std::filesystem::path root() const { return prefix_ / "www"; }
    std::uint16_t Port() const { return port_; }
    // The requests nginx answered, one line each.
    std::string AccessLog() const { return platform::ReadWholeFile(prefix_ / "access.log").value_or(""); }

private:
    std::filesystem::path prefix_;
    std::uint16_t port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace tandril::test
