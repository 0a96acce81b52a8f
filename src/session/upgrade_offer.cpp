#include "session/upgrade_offer.h"

#include "base/text.h"
#include "protocol/upgrade_messages.h"
#include "session/server_disconnect.h"
#include "session/session.h"
#include "upgrade/check_value.h"
#include "upgrade/upgrade_worker.h"

namespace tandril::session {

void OnUpgradeOffer(Session& c, const std::string& payload) {
    auto offer = protocol::UpgradeOffer::Decode(payload);
    const Account account = c.rt.state.account();
    const std::string expected =
        upgrade::UpgradeCheckValue(account.userName, account.password, account.dataPort, account.lineSpeed, kVersionText);
    // Byte for byte: a value that differs only in letter case was not computed from this account.
    if (!offer || !offer->checkValue || *offer->checkValue != expected) {
        c.rt.ui.ShowAlert(AlertKind::Modal,
                          Format(511, "A newer version of Tandril is available.  Please get it from %s", c.rt.state.web.download.c_str()));
        return;
    }
    ServerDisconnect(c, false);
    c.rt.dialog.SetDialogVisible(true);
    RunConnectingDialog(c, [offer = *offer](Session& s) { upgrade::UpgradeWorker(s.rt, s.upgrade, offer); });
}

}  // namespace tandril::session
