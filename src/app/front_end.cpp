#include "app/front_end.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "app/client.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "base/settings.h"
#include "base/text.h"
#include "platform/profile_folder.h"

namespace tandril {

namespace {

void SetRedirector(EndpointOverrides& ends, const std::string& value) {
    auto colon = value.rfind(':');
    if (colon == std::string::npos) {
        ends.primaryRedirector = value;
        return;
    }
    ends.primaryRedirector = value.substr(0, colon);
    ends.redirectorPort = static_cast<int>(DecimalValue(value.substr(colon + 1)));
}

}  // namespace

FrontEndOptions ParseFrontEndOptions(int argc, char** argv, const std::vector<std::string>& ownOptions) {
    FrontEndOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 < argc) return std::string(argv[++i]);
            o.error = "missing value after " + arg;
            return std::nullopt;
        };
        if (arg == "--profile") {
            if (auto v = value()) o.profile = *v;
        } else if (arg == "--redirector") {
            if (auto v = value()) SetRedirector(o.endpoints, *v);
        } else if (arg == "--fallback-redirector") {
            if (auto v = value()) o.endpoints.fallbackRedirector = *v;
        } else if (arg.starts_with("--")) {
            std::string name = arg.substr(2, arg.find('=') - 2);
            if (std::find(ownOptions.begin(), ownOptions.end(), name) == ownOptions.end()) {
                o.error = "unknown option " + arg;
            } else {
                o.extra.push_back(arg.substr(2));
            }
        } else {
            o.arguments.push_back(arg);
        }
    }
    return o;
}

std::optional<std::string> ExtraOption(const FrontEndOptions& options, const std::string& name) {
    for (const auto& e : options.extra) {
        if (e == name) return std::string();
        if (e.starts_with(name + "=")) return e.substr(name.size() + 1);
    }
    return std::nullopt;
}

namespace {
int gSignalPipe[2] = {-1, -1};  // written from a signal handler, which can reach nothing else
void OnSignal(int) {
    char c = 1;
    [[maybe_unused]] auto n = ::write(gSignalPipe[1], &c, 1);
}
}  // namespace

void ExitOnTerminationSignals(Client& client) {
    if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &client);
    QObject::connect(notifier, &QSocketNotifier::activated, &client, [&client, notifier] {
        char c;
        [[maybe_unused]] auto n = ::read(gSignalPipe[0], &c, 1);
        notifier->setEnabled(false);
        ExitApplication(client);
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

std::optional<std::filesystem::path> PrepareStart(const FrontEndOptions& options, const char* usage, int& exitCode) {
    if (!options.error.empty() || ExtraOption(options, "help")) {
        std::fprintf(stderr, "%s%s%s", usage, options.error.c_str(), options.error.empty() ? "" : "\n");
        exitCode = options.error.empty() ? 0 : 2;
        return std::nullopt;
    }
    auto profile = platform::ChooseProfileFolder(options.profile);
    std::error_code ec;
    std::filesystem::create_directories(profile, ec);
    SingleInstanceOptions rule{profile, std::filesystem::read_symlink("/proc/self/exe", ec)};
    if (ApplySingleInstanceRule(rule, options.arguments) == InstanceDecision::EndThisProcess) {
        exitCode = 0;
        return std::nullopt;
    }
    return profile;
}

int RunClient(Client& client, const std::vector<std::string>& arguments) {
    int exitCode = 0;
    QObject::connect(&client, &Client::exitRequested, &client, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    auto laterStarts = ListenForLaterStarts(client);
    ExitOnTerminationSignals(client);
    StartClient(client, arguments);
    try {
        QCoreApplication::exec();
    } catch (...) {
        client.FatalError();
        exitCode = 1;
    }
    return exitCode;
}

}  // namespace tandril
