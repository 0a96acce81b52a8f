#include "session/proxy_settings.h"

#include "base/settings.h"
#include "base/text.h"
#include "session/account_changes.h"
#include "session/session.h"
#include "transfer/data_port.h"

namespace tandril::session {

ProxyForm CurrentProxyForm(const Session& client) {
    const Settings& s = client.rt.state.settings();
    ProxyForm form;
    form.choice = s.proxyVersion == 0 ? 0 : s.proxyVersion - 3;
    form.server = s.proxyServer;
    form.port = s.proxyPort ? std::to_string(s.proxyPort) : "";
    form.user = s.proxyUser;
    form.password = s.proxyPass;
    form.transfersThroughProxy = s.proxyTransfers;
    return form;
}

int ApplyProxySettings(Session& client, ProxyForm form) {
    AppState& state = client.rt.state;
    std::string server = CutText(Trim(form.server), 126);
    std::string user = CutText(Trim(form.user), 126);
    std::string password = CutText(Trim(form.password), 126);
    std::string port = CutText(Trim(form.port), 48);
    if (form.choice == 0) {
        auto s = state.EditSettings();
        s->proxyVersion = 0;
        s->proxyServer.clear();
        s->proxyPort = 0;
        s->proxyUser.clear();
        s->proxyPass.clear();
        s->proxyTransfers = true;
        return 0;
    }
    if (server.empty()) {
        client.rt.ui.ShowAlert(AlertKind::Modal, "You must enter a Proxy server or choose 'No proxy server' from the list!");
        return 2;
    }
    if (port.empty()) {
        client.rt.ui.ShowAlert(AlertKind::Modal, "You must enter a Proxy port or choose 'No proxy server' from the list!");
        return 2;
    }
    if (!platform::ResolveHostBlocking(server)) {
        client.rt.ui.ShowAlert(AlertKind::Modal, Format(511, "Unable to resolve address: %s", server.c_str()));
        return 2;
    }
    long long number = DecimalValue(port);
    if (number < 5 || number > 65534) {
        client.rt.ui.ShowAlert(AlertKind::Modal, Format(511, "Your proxy port %d appears to be invalid!", static_cast<int>(number)));
        return 2;
    }
    {
        auto s = state.EditSettings();
        s->proxyTransfers = form.transfersThroughProxy;
        s->proxyVersion = form.choice == 1 ? 4 : 5;
        s->proxyPort = static_cast<int>(number);
        s->proxyServer = CutText(server, 127);
        s->proxyUser = s->proxyVersion == 5 ? CutText(user, 55) : "";
        s->proxyPass = s->proxyVersion == 5 ? CutText(password, 55) : "";
    }
    transfer::SetDataPort(client.transfers, 0);  // behind a proxy nobody can reach this computer
    return 0;
}

}  // namespace tandril::session
