#include "session/registration.h"

#include <sys/socket.h>

#include "base/shared_folders.h"
#include "base/text.h"
#include "library/scan_drives.h"
#include "link/connect_server.h"
#include "protocol/server_messages.h"
#include "session/account.h"
#include "session/connectivity_probes.h"
#include "session/hot_list.h"
#include "session/invalid_password.h"
#include "session/registration_lists.h"
#include "session/server_disconnect.h"
#include "session/session.h"
#include "session/upgrade_offer.h"

namespace tandril::session {

using namespace std::chrono_literals;
using protocol::MessageType;

namespace {

constexpr int kAttemptsBeforeAsking = 5;

// Why the wizard stops: the user left (the program exits), or another dialog took over.
struct Left {
    int result = 0;
};

class Wizard {
public:
    explicit Wizard(Session& c) : c_(c), s_(c.rt.state) {}
    int Run();

private:
    bool ConfirmCancel();
    void Leave();
    // Connects until it works; from the sixth failure on the user is asked first.
    void ConnectUntilConnected();
    void CountFailedAttempt();
    // One request and its answer under a wait text; a failed receive reconnects and asks again.
    template <typename Message>
    int Exchange(const char* waitText, const Message& request, std::string& reply, std::size_t size);
    bool CheckVersion();
    bool CheckAccount();
    bool CheckOptionalInfo();
    bool CheckSaveFolder();
    void ChooseDataPort();
    // Goes through the pages from `page` on to the last.
    void PagesFrom(const WizardPage (&order)[5], int page);
    // 1 logged in; 0 when the server refused the account for good (the user was told why).
    int RegisterOrLogIn();
    // Some servers take nothing but a login before one: 920, 4 and 704 are refused with "invalid
    // command" and the connection closed. Such a server is remembered (as the login does), the
    // connection made again, and what it refused is sent after the login.
    bool LoginOnlyServer();
    bool RefusedBeforeLogin(int type, const std::string& reply);
    void SendWhatWaitedForTheLogin();

    Session& c_;
    AppState& s_;
    WizardData data_;
    bool versionCheckWaits_ = false;
    bool newsletterWaits_ = false;
    int failedAttempts_ = 0;
    bool scanAsked_ = false;
};

bool Wizard::ConfirmCancel() {
    Answer a = c_.rt.ui.Ask({"You must register to access the Tandril network.  Are you sure you want to cancel?", "Cancel Registration?",
                             Buttons::YesNo, Icon::Exclamation});
    return a == Answer::Yes;
}

void Wizard::Leave() {
    c_.rt.ui.ShowWaitWindow("");
    c_.rt.RequestApplicationExit();
    throw Left{0};
}

void Wizard::CountFailedAttempt() {
    if (++failedAttempts_ <= kAttemptsBeforeAsking) return;
    c_.rt.dialog.SetDialogVisible(true);
    if (!c_.rt.ui.AskRetryRegistration()) Leave();
    c_.rt.dialog.SetStatus("Authenticating...");
}

void Wizard::ConnectUntilConnected() {
    while (!link::ConnectServer(c_.rt, c_.link, &c_.rt.dialog)) {
        if (s_.quitting) throw Left{0};
        CountFailedAttempt();
        c_.rt.Sleep(1s);
    }
}

template <typename Message>
int Wizard::Exchange(const char* waitText, const Message& request, std::string& reply, std::size_t size) {
    for (;;) {
        if (!c_.link.IsOpen()) {
            c_.rt.ui.ShowWaitWindow("Connecting to server...");
            ConnectUntilConnected();
        }
        c_.rt.ui.ShowWaitWindow(waitText);
        protocol::Send(c_.link, request);
        int answer = c_.link.ReceiveServerMessage(reply, size);
        if (answer >= 0) return answer;
        c_.link.Close();
        CountFailedAttempt();
    }
}

bool Wizard::CheckVersion() {
    s_.EditAccount()->lineSpeed = data_.lineSpeed;
    std::string reply;
    int type = Exchange("Checking Version...", protocol::VersionCheck{kVersionText, data_.lineSpeed}, reply, 99);
    c_.rt.ui.ShowWaitWindow("");
    if (RefusedBeforeLogin(type, reply)) {
        versionCheckWaits_ = true;
        return true;
    }
    if (type == static_cast<int>(MessageType::UpgradeOffer)) {
        c_.rt.dialog.SetDialogVisible(true);
        OnUpgradeOffer(c_, reply);
        throw Left{0};
    }
    return true;
}

bool Wizard::CheckAccount() {
    if (data_.newsletter) {
        std::string question = "Please confirm that you wish subscribe to the Tandril newsletter.  ";
        if (!data_.newUser)
            question += "If you have registered with this name in the past it is not neccessary to do so again, press \"No\". ";
        if (c_.rt.ui.Ask({question, "Confirm a Server request", Buttons::YesNo, Icon::Question}) == Answer::Yes) {
            if (LoginOnlyServer()) {
                newsletterWaits_ = true;
            } else {
                protocol::Send(c_.link, protocol::Newsletter{data_.email});
            }
        }
    }
    s_.accountOrigin = data_.newUser ? 1 : 2;
    std::string problem = CheckAccountPage(data_.newUser, data_.user, data_.password, data_.password2, data_.email);
    if (!problem.empty()) {
        c_.rt.ui.ShowAlert(AlertKind::Modal, problem);
        return false;
    }
    std::string reply;
    if (data_.newUser) {
        for (;;) {
            int type = Exchange("Checking user name...", protocol::NameCheck{data_.user}, reply, 100);
            if (type == static_cast<int>(MessageType::NameFree)) break;
            const bool taken = type == static_cast<int>(MessageType::NameTaken);
            if (taken || type == static_cast<int>(MessageType::NameInvalid)) {
                c_.rt.ui.ShowWaitWindow("");
                c_.rt.ui.ShowAlert(AlertKind::Modal, Format(511,
                                                            taken ? "Name %s is in use by another Tandril user!  Please choose another."
                                                                  : "Name %s contains invalid characters! Please choose another name!",
                                                            data_.user.c_str()));
                return false;
            }
            c_.link.Close();  // anything else: connect again and ask again
        }
    } else {
        for (;;) {
            int type = Exchange("Verifying Password...", protocol::AccountCheck{data_.user, data_.password}, reply, 100);
            if (type == static_cast<int>(MessageType::AccountValid)) break;
            if (type == static_cast<int>(MessageType::Error) && ContainsNoCase(reply, "password")) {
                c_.rt.ui.ShowWaitWindow("");
                c_.rt.ui.ShowAlert(AlertKind::Modal, Format(511, "Error: %s!", reply.c_str()));
                return false;
            }
            c_.link.Close();
        }
    }
    c_.rt.ui.ShowWaitWindow("");
    s_.EditAccount()->userName = data_.user;
    s_.EditAccount()->password = data_.password;
    s_.EditAccount()->email = data_.email;
    return true;
}

// No folder ticked: the default one, or back to the page.
bool Wizard::CheckSaveFolder() {
    if (!data_.saveFolder.empty()) return true;
    Answer a = c_.rt.ui.Ask({Format(600, "You did not choose a save folder!  Would you like to use '%s' as your folder to save new files?",
                                    kDefaultSaveFolderName),
                             "Save folder not specified!", Buttons::YesNo, Icon::Question});
    if (a != Answer::Yes) return false;
    std::filesystem::path folder = s_.profileFolder / kDefaultSaveFolderName;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    data_.saveFolder = std::filesystem::absolute(folder, ec).string();
    return true;
}

bool Wizard::CheckOptionalInfo() {
    if (EqualsNoCase(data_.personal["AGE"], AgeChoices().front())) {
        c_.rt.ui.Ask(
            {"Due to the new COPPA legislation children under the age of 13 are not allowed to use Tandril. We are sorry "
             "for the inconvenience.",
             "Tandril", Buttons::Ok, Icon::Information});
        Leave();
    }
    return true;
}

void Wizard::ChooseDataPort() {
    c_.rt.dialog.SetDialogVisible(true);
    int port = 0;
    if (s_.settings().proxyVersion == 0) port = FindDataPort(c_, c_.dataPortCandidates);
    if (port == 0) {
        port = c_.rt.ui.AskDataPortSettings();
        if (port < 0 || port >= 65535) port = 0;
    }
    s_.EditAccount()->dataPort = port;
    c_.rt.dialog.SetStatus(port != 0 ? Format(99, "Using port %d!", port) : "Classified as 'firewalled'!");
}

int Wizard::RegisterOrLogIn() {
    for (;;) {
        if (!c_.link.IsOpen()) ConnectUntilConnected();
        std::string reply;
        int type;
        if (data_.newUser) {
            protocol::Send(c_.link, protocol::Register{s_.account().userName, s_.account().password, s_.account().dataPort, kVersionText,
                                                       s_.account().lineSpeed, s_.account().email});
            type = c_.link.ReceiveServerMessage(reply, 500);
        } else {
            if (!LoginOnlyServer()) protocol::Send(c_.link, protocol::BeforeLogin{});
            protocol::Send(c_.link, protocol::Login{s_.account().userName, s_.account().password, s_.account().dataPort, kVersionText,
                                                    s_.account().lineSpeed});
            while ((type = c_.link.ReceiveServerMessage(reply, 100)) == static_cast<int>(MessageType::OutboundProbe) ||
                   type == static_cast<int>(MessageType::InboundProbe)) {
                StartConnectivityProbe(c_, static_cast<MessageType>(type), reply);
            }
        }
        if (type == static_cast<int>(MessageType::LoginAccepted)) return 1;
        if (RefusedBeforeLogin(type, reply)) continue;  // connected again at once, and logged in plainly
        if (type == static_cast<int>(MessageType::UpgradeOffer)) {
            SaveAccount(c_);
            OnUpgradeOffer(c_, reply);
            throw Left{0};
        }
        if (type == static_cast<int>(MessageType::Error) && !data_.newUser && ContainsNoCase(reply, "invalid password")) {
            ServerDisconnect(c_, false);
            throw Left{InvalidPasswordDialog(c_)};
        }
        c_.link.Close();
        if (type == static_cast<int>(MessageType::Error)) {
            // The server's refusal of this account is for good (a name taken or not allowed): the
            // user is told why and chooses again on the account page.
            c_.rt.ui.ShowAlert(AlertKind::Modal, reply);
            return 0;
        }
        CountFailedAttempt();
    }
}

bool Wizard::LoginOnlyServer() {
    std::scoped_lock lock(s_.serversLock);
    return s_.serversWithout920.count(s_.server) > 0;
}

bool Wizard::RefusedBeforeLogin(int type, const std::string& reply) {
    if (type != static_cast<int>(MessageType::Error) || !ContainsNoCase(reply, "invalid command")) return false;
    {
        std::scoped_lock lock(s_.serversLock);
        s_.serversWithout920.insert(s_.server);
    }
    c_.link.Close();  // the server closes it too
    return true;
}

void Wizard::SendWhatWaitedForTheLogin() {
    if (versionCheckWaits_) protocol::Send(c_.link, protocol::VersionCheck{kVersionText, data_.lineSpeed});
    if (newsletterWaits_) protocol::Send(c_.link, protocol::Newsletter{data_.email});
}

int Wizard::Run() {
    s_.accountOrigin = 1;
    if (!c_.rt.ui.AcceptTermsOfUse()) Leave();
    data_.lineSpeed = s_.account().lineSpeed;
    data_.sharedFolders = SharedFolderList(s_);
    data_.saveFolder = s_.settings().savePath;
    data_.dontShareSaveFolder = !ShareSaveFolder(c_.rt.store);
    const WizardPage order[] = {WizardPage::Connection, WizardPage::Account, WizardPage::OptionalInfo, WizardPage::SharedFolders,
                                WizardPage::DownloadFolder};
    int page = 0;
    for (;;) {
        PagesFrom(order, page);
        ClearSharedFolders(s_);
        for (const std::string& folder : data_.sharedFolders) AddSharedFolder(s_, folder);
        SetSaveFolder(s_, c_.rt.ui, data_.saveFolder);
        SetShareSaveFolder(c_.rt.store, s_, c_.rt.ui, !data_.dontShareSaveFolder);
        ChooseDataPort();
        if (RegisterOrLogIn()) break;
        page = 1;  // back to the account page
    }
    if (s_.account().email.empty()) s_.EditAccount()->email = kDefaultEmail;
    if (data_.newUser) protocol::Send(c_.link, protocol::PersonalData{data_.personal});
    SendWhatWaitedForTheLogin();
    s_.connected = true;
    RegisterHotList(c_);
    SaveAccount(c_);
    return 1;
}

void Wizard::PagesFrom(const WizardPage (&order)[5], int page) {
    while (page < 5) {
        WizardPage current = order[page];
        if (current == WizardPage::OptionalInfo && !data_.newUser) {
            page += 1;  // only new users see this page, in either direction
            continue;
        }
        if (current == WizardPage::SharedFolders && !scanAsked_) {
            scanAsked_ = true;
            Answer a =
                c_.rt.ui.Ask({"Would you like to scan your disks for files to share with the Tandril community?\nPlease remove any "
                              "directories you do not wish to share after the scan is completed!",
                              "Scan for files?", Buttons::YesNo, Icon::Exclamation});
            if (a == Answer::Yes) library::ScanDrives(c_.library, data_.sharedFolders);
        }
        WizardButton button = c_.rt.ui.ShowWizardPage(current, data_);
        if (button == WizardButton::Cancel) {
            if (ConfirmCancel()) Leave();
            continue;
        }
        if (button == WizardButton::Back) {
            page = std::max(0, page - 1);
            if (order[page] == WizardPage::OptionalInfo && !data_.newUser) page -= 1;
            continue;
        }
        bool ok = current == WizardPage::Connection       ? CheckVersion()
                  : current == WizardPage::Account        ? CheckAccount()
                  : current == WizardPage::OptionalInfo   ? CheckOptionalInfo()
                  : current == WizardPage::DownloadFolder ? CheckSaveFolder()
                                                          : true;
        if (ok) ++page;
    }
}

}  // namespace

std::string CheckAccountPage(bool newUser, std::string& user, std::string& password, std::string& password2, std::string& email) {
    user = std::string(Trim(user));
    password = std::string(Trim(password));
    password2 = std::string(Trim(password2));
    email = std::string(Trim(email));
    if (user.empty()) return "You must choose a user name!";
    if (password.empty()) return "You must type a password in the first password box!";
    if (!newUser) return "";
    if (password2.empty()) return "You must type a password in the second password box!";
    if (email.empty()) return "You must type an email address in the Email Box!";
    if (password != password2) {
        password.clear();
        password2.clear();
        return "Password #1 and password #2 do not match!  Please re-enter your passwords.";
    }
    if (email.find('@') == std::string::npos || email.find('.') == std::string::npos) return "Specified email address is invalid!";
    return "";
}

int FindDataPort(Session& c, const std::vector<int>& candidates) {
    if (c.rt.state.settings().proxyVersion != 0) return 0;
    c.rt.dialog.SetStatus("Finding acceptable local data port...");
    c.rt.dialog.SetProgress(0, 15);
    std::vector<std::pair<int, platform::Socket>> listeners;
    protocol::DataPortCandidates offered;
    for (int port : candidates) {
        platform::Socket s = platform::ListenTcp(static_cast<std::uint16_t>(port), false);
        if (!s) continue;
        offered.ports.push_back(port);
        listeners.emplace_back(port, std::move(s));
    }
    int sent = 0;
    while (!protocol::Send(c.link, offered)) {
        if (++sent >= 5 || c.rt.state.quitting) return 0;
        link::ConnectServer(c.rt, c.link, &c.rt.dialog);
    }
    int found = 0;
    for (int pass = 1; pass <= 15 && found == 0 && !c.rt.state.quitting; ++pass) {
        for (auto& [port, listener] : listeners) {
            if (platform::WaitReadable(listener.fd(), 0ms) != platform::WaitResult::Ready) continue;
            platform::Socket accepted(::accept(listener.fd(), nullptr, nullptr));
            if (accepted) {
                found = port;
                break;
            }
        }
        if (found) break;
        c.rt.dialog.SetProgress(pass, 15);
        if (pass < 15) c.rt.Sleep(1s);
    }
    listeners.clear();
    c.rt.dialog.SetProgress(0, 15);
    if (found) {
        c.rt.dialog.SetStatus("Found acceptable data port!");
        c.rt.dialog.SetSecondLine(Format(99, "Using Port %d.", found));
        c.rt.Sleep(500ms);
    } else {
        c.rt.dialog.SetStatus("");
    }
    c.rt.dialog.SetSecondLine("");
    return found;
}

int RegistrationWizard(Session& client) {
    try {
        return Wizard(client).Run();
    } catch (const Left& left) {
        return left.result;
    }
}

}  // namespace tandril::session
