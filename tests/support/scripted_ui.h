#pragma once
// The test front end: records every alert, question, status text and dialog text a user would
// see, and answers questions from a script.

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/client.h"
#include "base/ui_port.h"

namespace tandril::test {

class ScriptedUi : public UiPort {
public:
    using UiPort::ShowAlert;
    void ShowAlert(AlertKind kind, const std::string& text, Icon icon) override;
    Answer Ask(const Question& question) override;
    bool AcceptTermsOfUse() override;
    void ShowFatalError(const std::string& text) override;
    void OpenUrl(const std::string& url) override { Record({"open-url", url, ""}); }
    Credentials AskInvalidPassword(const std::string& user, const std::string& password) override;
    bool AskBothFirewalled(const std::string& user) override;
    bool AskBothFirewalledDownload(const std::string& remoteName) override;
    WizardButton ShowWizardPage(WizardPage page, WizardData& data) override;
    void ShowWaitWindow(const std::string& text) override;
    int AskDataPortSettings() override;
    bool AskRetryRegistration() override;
    // "Fichier Existant!": answered in order, then cancelled.
    ExistingFile AskExistingFile(const std::string& baseName) override;
    std::deque<ExistingFile> existingFileAnswers;
    // "Le Transfert à échoué !": answered in order (true keeps the file), then kept.
    bool AskPartialTransfer(const std::string& baseName) override;
    std::deque<bool> partialTransferAnswers;
    // Input boxes: the texts typed, in order; once they run out a box is cancelled.
    std::optional<std::string> AskText(const std::string& caption, const std::string& prompt, std::size_t maxLength) override;
    std::deque<std::optional<std::string>> textAnswers;
    // Invitations: answered in order, then declined.
    InvitationChoice AskInvitation(const std::string& inviter, const std::string& channel, const std::string& topic,
                                   bool canIgnore) override;
    std::deque<InvitationChoice> invitationAnswers;
    // The wizard's pages, answered in order; once the script runs out a page is cancelled.
    std::deque<std::function<WizardButton(WizardPage, WizardData&)>> wizardScript;
    int dataPortAnswer = 0;
    bool retryAnswer = false;
    Credentials invalidPasswordAnswer{Credentials::Cancel, "", ""};
    bool notFirewalledAnswer = false;
    // Runs inside each question (Ask, the invalid-password, existing-file and both-firewalled
    // dialogs) before it is answered: the person at the screen takes their time, and the caller is
    // blocked meanwhile, as it would be. Set it before anything can ask.
    std::function<void()> whileAsking;

    // Answers, used in order; once they run out every question gets `defaultAnswer`.
    void Script(std::vector<Answer> answers);
    Answer defaultAnswer = Answer::Yes;
    bool acceptTerms = true;

    // Records the client's view models: the dialog's status lines, the status bar, system lines.
    void Watch(Client& client);

    struct Event {
        std::string kind;  // "alert", "question", "terms", "fatal", "dialog", "dialog2", "button", "status0", "status1", "line", "closed"
        std::string text;
        std::string caption;
    };
    std::vector<Event> Events() const;
    std::vector<std::string> Texts(const std::string& kind) const;
    void Record(Event e);

private:
    mutable std::mutex lock_;
    std::vector<Event> events_;
    std::deque<Answer> script_;
};

// Runs the Qt event loop until `done` holds or the time is up; returns `done()`.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace tandril::test
