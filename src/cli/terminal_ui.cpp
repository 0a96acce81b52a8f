#include "cli/terminal_ui.h"

#include <unistd.h>

#include <cstdio>

namespace tandril::cli {

TerminalUi::TerminalUi(Answer defaultAnswer, bool acceptTerms)
    : onTerminal_(::isatty(STDOUT_FILENO) == 1), defaultAnswer_(defaultAnswer), acceptTerms_(acceptTerms) {}

void TerminalUi::Print(const std::string& line) {
    std::scoped_lock lock(lock_);
    std::fprintf(stdout, "%s%s\n", progressOpen_ ? "\n" : "", line.c_str());
    progressOpen_ = false;
    std::fflush(stdout);
}

void TerminalUi::ShowProgress(const std::string& text, bool final) {
    std::scoped_lock lock(lock_);
    if (onTerminal_) {
        // Back to the start of the line, the new text, the rest of the old one cleared.
        std::fprintf(stdout, "\r[progress] %s\x1b[K%s", text.c_str(), final ? "\n" : "");
        progressOpen_ = !final;
    } else {
        std::fprintf(stdout, "[progress] %s\n", text.c_str());
    }
    std::fflush(stdout);
}

void TerminalUi::ShowAlert(AlertKind, const std::string& text, Icon) {
    Print("[Tandril Notification] " + text);
}

Answer TerminalUi::Ask(const Question& q) {
    if (q.buttons == Buttons::Ok || q.buttons == Buttons::OkCancel) {
        Print("[" + q.caption + "] " + q.text);
        return Answer::Ok;
    }
    Answer a = defaultAnswer_ == Answer::Cancel && q.buttons != Buttons::YesNoCancel ? Answer::No : defaultAnswer_;
    Print("[" + q.caption + "] " + q.text + " -> " + (a == Answer::Yes ? "Yes" : a == Answer::No ? "No" : "Cancel"));
    return a;
}

bool TerminalUi::AcceptTermsOfUse() {
    Print(std::string("[Terms of use] -> ") + (acceptTerms_ ? "Oui" : "Non"));
    return acceptTerms_;
}

void TerminalUi::ShowFatalError(const std::string& text) {
    Print("[Tandril] " + text);
}

UiPort::Credentials TerminalUi::AskInvalidPassword(const std::string& user, const std::string&) {
    // Unattended, there is no other password to try: the program ends, as "Annuler" does.
    Print("[Mot de Passe Invalide!] " + user + " -> Annuler");
    loginRefused_ = true;
    return {Credentials::Cancel, user, ""};
}

WizardButton TerminalUi::ShowWizardPage(WizardPage, WizardData&) {
    // Registering takes a person at the screen: unattended, the wizard is cancelled.
    Print("[Registration] an account is needed; register with the desktop client -> Annuler");
    return WizardButton::Cancel;
}

void TerminalUi::ShowWaitWindow(const std::string& text) {
    if (!text.empty()) Print("[Registration] " + text);
}

int TerminalUi::AskDataPortSettings() {
    return 0;
}

bool TerminalUi::AskRetryRegistration() {
    return false;
}

UiPort::ExistingFile TerminalUi::AskExistingFile(const std::string& baseName) {
    // --answer=yes overwrites the file that is there already; any other answer keeps it and
    // cancels the download.
    if (defaultAnswer_ == Answer::Yes) {
        Print("[Fichier Existant!] " + baseName + " -> Overwrite Existing File");
        return {ExistingFile::Overwrite, {}};
    }
    Print("[Fichier Existant!] " + baseName + " -> Annuler");
    return {};
}

bool TerminalUi::AskPartialTransfer(const std::string& baseName) {
    // A partial file is never deleted without someone saying so: it is kept for a later resume.
    Print("[Le Transfert à échoué !] " + baseName + " -> Move this file to 'Incomplete' folder");
    return true;
}

std::optional<std::string> TerminalUi::AskText(const std::string& caption, const std::string&, std::size_t) {
    // Nothing is typed into a box here: the question is cancelled.
    Print("[" + caption + "] -> Annuler");
    return std::nullopt;
}

UiPort::InvitationChoice TerminalUi::AskInvitation(const std::string& inviter, const std::string& channel, const std::string&, bool) {
    // --answer=yes accepts an invitation; any other answer declines it.
    bool accept = defaultAnswer_ == Answer::Yes;
    Print("[Invitation à une Discussion!] User " + inviter + " has invited you to a chat room! " + channel + " -> " +
          (accept ? "Accepter" : "Refuser"));
    return accept ? InvitationChoice::Accept : InvitationChoice::Decline;
}

bool TerminalUi::AskBothFirewalledDownload(const std::string& remoteName) {
    Print("[Conflit avec le Firewall!] both firewalled, cannot download " + remoteName + " -> OK");
    return false;
}

bool TerminalUi::AskBothFirewalled(const std::string& user) {
    Print("[Conflit avec le Firewall!] " + user + " -> OK");
    return false;
}

}  // namespace tandril::cli
