#pragma once
// The one boundary through which the core asks the person at the screen. Every call may come from
// any thread; the blocking ones return the answer. The Qt skin shows real dialogs; tests script the
// answers; the command-line front end answers from its options.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tandril {

enum class AlertKind { Modal = 1, Modeless = 2 };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { Information, Question, Exclamation, Error };
enum class Answer { Ok, Yes, No, Cancel };

struct Question {
    std::string text;
    std::string caption;
    Buttons buttons = Buttons::YesNo;
    Icon icon = Icon::Question;
};

// The registration wizard's pages and what they edit.
enum class WizardPage { Connection, Account, OptionalInfo, SharedFolders, DownloadFolder };
enum class WizardButton { Next, Back, Cancel };
struct WizardData {
    int lineSpeed = 0;
    bool newUser = true;
    std::string user;
    std::string password;
    std::string password2;
    std::string email;
    bool newsletter = false;
    std::map<std::string, std::string> personal;  // AGE, CTY, EDU, GEN, SEX, ZIP
    std::vector<std::string> sharedFolders;
    std::string saveFolder;  // empty: none ticked
    bool dontShareSaveFolder = false;
};

class UiPort {
public:
    virtual ~UiPort() = default;

    // The notification box "Tandril Notification", with the error icon unless another is given.
    // A modal alert returns when it was closed.
    virtual void ShowAlert(AlertKind kind, const std::string& text, Icon icon) = 0;
    void ShowAlert(AlertKind kind, const std::string& text) { ShowAlert(kind, text, Icon::Error); }
    virtual Answer Ask(const Question& question) = 0;
    // The terms-of-use dialog: true for "&Oui", false for "&Non".
    virtual bool AcceptTermsOfUse() = 0;
    // The desktop's "open" for a web address.
    virtual void OpenUrl(const std::string& url) = 0;
    // The fatal-error box (caption "Tandril", error icon); returns when it was closed.
    virtual void ShowFatalError(const std::string& text) = 0;

    // "Mot de Passe Invalide!": the user name and password to try, or another way out.
    struct Credentials {
        enum Button { Ok, Cancel, NewUser } button = Cancel;
        std::string user;
        std::string password;
    };
    virtual Credentials AskInvalidPassword(const std::string& user, const std::string& password) = 0;
    // "Conflit avec le Firewall!": true for "&Je ne suis pas protégé par un Firewall!".
    virtual bool AskBothFirewalled(const std::string& user) = 0;
    // The same dialog when a download cannot be made, with the file's name.
    virtual bool AskBothFirewalledDownload(const std::string& remoteName) = 0;

    // One page of the registration wizard, modal; the page edits `data` and says which button.
    virtual WizardButton ShowWizardPage(WizardPage page, WizardData& data) = 0;
    // The wizard's small wait window with one line of text; empty text closes it. Never blocks.
    virtual void ShowWaitWindow(const std::string& text) = 0;
    // "Paramètres Serveur de vos fichiers": the port typed, or 0 for a firewalled computer.
    virtual int AskDataPortSettings() = 0;
    // "Problème d'enregistrement": true for "&Recommencer", false for "&Quitter".
    virtual bool AskRetryRegistration() = 0;

    // "Fichier Existant!": a download's file is there already (its base name shown for editing).
    struct ExistingFile {
        enum Choice { Overwrite, Rename, Cancel } choice = Cancel;
        std::string newName;  // with Rename: the base name typed
    };
    virtual ExistingFile AskExistingFile(const std::string& baseName) = 0;
    // "Le Transfert à échoué !": a download ended short; true keeps its file ("Move this file to
    // 'Incomplete' folder", also when the box is closed), false only for "Delete this file" and OK.
    virtual bool AskPartialTransfer(const std::string& baseName) = 0;

    // An input box titled `caption` with the line `prompt`: what was typed (at most `maxLength`
    // characters) on OK, nullopt on cancel.
    virtual std::optional<std::string> AskText(const std::string& caption, const std::string& prompt, std::size_t maxLength) = 0;
    // "Invitation à une Discussion!": "&Accepter", "&Refuser" or "&Ignorer l'Utilisateur" (offered
    // only when `canIgnore`).
    enum class InvitationChoice { Accept, Decline, IgnoreUser };
    virtual InvitationChoice AskInvitation(const std::string& inviter, const std::string& channel, const std::string& topic,
                                           bool canIgnore) = 0;
};

}  // namespace tandril
