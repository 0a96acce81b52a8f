#pragma once
// The command-line front end's answers: printed questions answered from its options, alerts and
// status texts on standard output.

#include <atomic>
#include <mutex>

#include "base/ui_port.h"

namespace tandril::cli {

class TerminalUi : public UiPort {
public:
    TerminalUi(Answer defaultAnswer, bool acceptTerms);
    using UiPort::ShowAlert;
    void ShowAlert(AlertKind kind, const std::string& text, Icon icon) override;
    Answer Ask(const Question& question) override;
    bool AcceptTermsOfUse() override;
    void ShowFatalError(const std::string& text) override;
    void OpenUrl(const std::string& url) override { Print("[open] " + url); }
    Credentials AskInvalidPassword(const std::string& user, const std::string& password) override;
    bool AskBothFirewalled(const std::string& user) override;
    bool AskBothFirewalledDownload(const std::string& remoteName) override;
    WizardButton ShowWizardPage(WizardPage page, WizardData& data) override;
    void ShowWaitWindow(const std::string& text) override;
    int AskDataPortSettings() override;
    bool AskRetryRegistration() override;
    ExistingFile AskExistingFile(const std::string& baseName) override;
    bool AskPartialTransfer(const std::string& baseName) override;
    std::optional<std::string> AskText(const std::string& caption, const std::string& prompt, std::size_t maxLength) override;
    InvitationChoice AskInvitation(const std::string& inviter, const std::string& channel, const std::string& topic,
                                   bool canIgnore) override;
    void Print(const std::string& line);
    // A progress text: on a terminal one line rewritten in place until `final`, otherwise a line
    // of its own.
    void ShowProgress(const std::string& text, bool final);
    bool OnTerminal() const { return onTerminal_; }
    // The server refused the login's password (the program then ends offline).
    bool LoginRefused() const { return loginRefused_; }

private:
    std::atomic<bool> loginRefused_{false};
    std::mutex lock_;
    const bool onTerminal_;
    bool progressOpen_ = false;  // a progress line in place, without its newline yet
    Answer defaultAnswer_;
    bool acceptTerms_;
};

}  // namespace tandril::cli
