#include "session/invalid_password.h"

#include <QMetaObject>

#include "base/text.h"
#include "library/my_files.h"
#include "session/account.h"
#include "session/account_changes.h"
#include "session/pending_parts.h"
#include "session/reconnect.h"
#include "session/registration.h"
#include "session/session.h"
#include "transfer/data_port.h"

namespace tandril::session {

int InvalidPasswordDialog(Session& c) {
    c.rt.dialog.SetDialogVisible(false);
    UiPort::Credentials answer = c.rt.ui.AskInvalidPassword(c.rt.state.account().userName, c.rt.state.account().password);
    switch (answer.button) {
        case UiPort::Credentials::Ok:
            c.rt.state.EditAccount()->userName = CutText(answer.user, kMaxUserName);
            c.rt.state.EditAccount()->password = CutText(answer.password, kMaxPassword);
            SaveAccount(c);
            transfer::SetDataPort(c.transfers, c.rt.state.account().dataPort);
            if (c.rt.state.connected) {
                c.chat.ShowSystemLine("You are already connected!");
            } else {
                RunConnectingDialog(c, ReconnectDriver);
            }
            return c.rt.state.connected ? 1 : 0;
        case UiPort::Credentials::NewUser:
            c.rt.state.ClearAccount();
            if (!RegistrationWizard(c)) return 0;
            c.rt.dialog.SetDialogVisible(true);
            transfer::StartDataPortListener(c.transfers);
            c.rt.dialog.SetStatus("Building My Files...");
            library::BuildMyFiles(c.library);
            GoOnline(c);
            SaveAccount(c);
            return 1;
        case UiPort::Credentials::Cancel:
            c.rt.dialog.SetDialogVisible(true);
            c.rt.RequestApplicationExit();
            return 0;
    }
    return 0;
}

}  // namespace tandril::session
