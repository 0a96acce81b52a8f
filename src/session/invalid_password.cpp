#include "session/invalid_password.h"

#include <QMetaObject>

#include "base/settings.h"
#include "base/text.h"
#include "library/my_files.h"
#include "link/connect_server.h"
#include "session/account.h"
#include "session/account_changes.h"
#include "session/login.h"
#include "session/reconnect.h"
#include "session/registration.h"
#include "session/session.h"
#include "transfer/data_port.h"

namespace tandril::session {

namespace {

// "Nouvel Utilisateur": the wizard makes a new account and logs in with it; the library is built
// for it. On a worker: its blocking steps never run on the GUI thread.
bool StartAsNewUser(Session& c) {
    c.rt.state.ClearAccount();
    if (!RegistrationWizard(c)) return false;
    c.rt.dialog.SetDialogVisible(true);
    transfer::StartDataPortListener(c.transfers);
    c.rt.dialog.SetStatus("Building My Files...");
    library::BuildMyFiles(c.library);
    SaveAccount(c);
    return true;
}

}  // namespace

int InvalidPasswordDialog(Session& c, bool interactive) {
    // Asked from the GUI thread (the server's message 0 while online) the work that follows goes to
    // the connecting dialog's worker, which also goes online; asked by a worker that was logging in
    // (start-up, reconnect), it happens on that worker and its outcome is the answer.
    const bool onGuiThread = c.rt.gui.IsOwnerThread();
    c.rt.dialog.SetDialogVisible(false);
    for (;;) {
        const Account account = c.rt.state.account();
        UiPort::Credentials answer = c.rt.ui.AskInvalidPassword(account.userName, account.password);
        switch (answer.button) {
            case UiPort::Credentials::Ok: {
                const std::string user = CutText(answer.user, kMaxUserName), password = CutText(answer.password, kMaxPassword);
                if (auto problem = LoginFieldProblem(user, password)) {
                    c.rt.ui.ShowAlert(AlertKind::Modal, *problem);
                    continue;
                }
                {
                    auto edit = c.rt.state.EditAccount();
                    edit->userName = user;
                    edit->password = password;
                }
                SaveAccount(c);
                transfer::SetDataPort(c.transfers, c.rt.state.account().dataPort);
                if (c.rt.state.connected) {
                    c.chat.ShowSystemLine("You are already connected!");
                    return 1;
                }
                if (onGuiThread) {
                    RunConnectingDialog(c, ReconnectDriver);
                    return 0;
                }
                c.rt.dialog.SetDialogVisible(true);
                if (!link::ConnectServer(c.rt, c.link, &c.rt.dialog)) return 0;
                return LoginToServer(c, interactive);
            }
            case UiPort::Credentials::NewUser:
                if (onGuiThread) {
                    RunConnectingDialog(c, [](Session& s) {
                        if (StartAsNewUser(s)) GoOnline(s);
                    });
                    return 0;
                }
                return StartAsNewUser(c) ? 1 : 0;
            case UiPort::Credentials::Cancel:
                c.rt.dialog.SetDialogVisible(true);
                c.rt.RequestApplicationExit();
                return 0;
        }
        return 0;
    }
}

}  // namespace tandril::session
