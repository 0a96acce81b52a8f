// devserver: runs the development index server and redirector on loopback until interrupted.

#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "devserver/dev_server.h"

int main(int argc, char** argv) {
    tandril::devserver::DevServerOptions options;
    options.statsIntervalMs = 30000;
    std::vector<std::pair<std::string, std::string>> accounts;
    int waitCount = 0, waitSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--port") {
            options.serverPort = static_cast<std::uint16_t>(std::stoi(next()));
        } else if (arg == "--redirector-port") {
            options.redirectorPort = static_cast<std::uint16_t>(std::stoi(next()));
        } else if (arg == "--stats-seconds") {
            options.statsIntervalMs = std::stoi(next()) * 1000;
        } else if (arg == "--account") {
            std::string a = next();
            auto colon = a.find(':');
            accounts.emplace_back(a.substr(0, colon), colon == std::string::npos ? "" : a.substr(colon + 1));
        } else if (arg == "--login-commands-only") {
            options.loginCommandsOnly = true;
        } else if (arg == "--offer-upgrade") {
            std::string offer = next();
            auto equals = offer.find('=');
            if (equals == std::string::npos) {
                std::fprintf(stderr, "devserver: --offer-upgrade takes VERSION=HOST:PATH\n");
                return 2;
            }
            options.upgradeOffer = std::pair(offer.substr(0, equals), offer.substr(equals + 1));
        } else if (arg == "--wait") {
            std::string w = next();
            auto colon = w.find(':');
            waitCount = std::stoi(w.substr(0, colon));
            waitSeconds = colon == std::string::npos ? 5 : std::stoi(w.substr(colon + 1));
        } else {
            std::fprintf(stderr,
                         "devserver: a development index server and redirector (a project tool, not a product)\n"
                         "usage: devserver [--port N] [--redirector-port N] [--stats-seconds N]\n"
                         "                 [--account USER:PASSWORD]... [--wait COUNT:SECONDS] [--login-commands-only]\n"
                         "                 [--offer-upgrade VERSION=HOST:PATH]\n");
            return arg == "--help" ? 0 : 2;
        }
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    tandril::devserver::DevServer server(options);
    if (!server.Ok()) {
        std::fprintf(stderr, "devserver: cannot listen on the requested ports\n");
        return 1;
    }
    for (auto& [user, password] : accounts) server.AddAccount(user, password);
    if (waitCount > 0) server.AnswerWait(waitCount, waitSeconds);
    std::printf("devserver: index server on 127.0.0.1:%u, redirector on 127.0.0.1:%u\n", server.ServerPort(), server.RedirectorPort());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    return 0;
}
