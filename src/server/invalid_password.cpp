#include "server/invalid_password.h"

#include <QMetaObject>

#include "app/account.h"
#include "app/client.h"
#include "app/pending_parts.h"
#include "app/startup.h"
#include "library/my_files.h"
#include "server/account_changes.h"
#include "base/text.h"
#include "server/reconnect.h"
#include "server/registration.h"
#include "transfer/data_port.h"

namespace tandril::server {

int InvalidPasswordDialog(Client& c) {
    c.dialog.SetDialogVisible(false);
    UiPort::Credentials answer = c.ui.AskInvalidPassword(c.state.userName, c.state.password);
    switch (answer.button) {
        case UiPort::Credentials::Ok:
            c.state.userName = CutText(answer.user, kMaxUserName);
            c.state.password = CutText(answer.password, kMaxPassword);
            SaveAccount(c);
            SetDataPort(c, c.state.dataPort);
            if (c.state.connected) {
                c.chat.ShowSystemLine("You are already connected!");
            } else {
                c.RunConnectingDialog(ReconnectDriver);
            }
            return c.state.connected ? 1 : 0;
        case UiPort::Credentials::NewUser:
            c.state.ClearAccount();
            if (!RegistrationWizard(c)) return 0;
            c.dialog.SetDialogVisible(true);
            transfer::StartDataPortListener(c);
            c.dialog.SetStatus("Building My Files...");
            library::BuildMyFiles(c);
            GoOnline(c);
            SaveAccount(c);
            return 1;
        case UiPort::Credentials::Cancel:
            c.dialog.SetDialogVisible(true);
            c.PostToGui([&c] { ExitApplication(c); });
            return 0;
    }
    return 0;
}

}  // namespace tandril::server
