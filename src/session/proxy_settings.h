#pragma once
// "Paramètres du Proxy": what the dialog's "&OK" does with what was typed.

#include <string>

namespace tandril::session {

struct Session;

struct ProxyForm {
    int choice = 0;  // 0 "No proxy server", 1 "SOCKS 4 proxy server", 2 "SOCKS 5 proxy server"
    std::string server;
    std::string port;
    std::string user;
    std::string password;
    bool transfersThroughProxy = true;  // "Download files through proxy"
};

// The form as the settings stand (to preset the dialog).
ProxyForm CurrentProxyForm(const Session& client);
// 0 when the settings were taken, 2 when the dialog stays open (the user has been told why).
int ApplyProxySettings(Session& client, ProxyForm form);

}  // namespace tandril::session
