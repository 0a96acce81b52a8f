#pragma once
// The UI port drawn with Qt dialogs. A worker thread that asks a question blocks until the GUI
// thread has the answer; a notice that is not modal is posted and never blocks its caller.

#include <QDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>

#include "base/ui_port.h"

namespace tandril::gui {

// A message box is as wide as its text; this widens it for its caption as well, so that a short
// text under a long caption does not cut the caption.
void KeepCaptionWhole(QMessageBox& box);

class QtUiPort : public QObject, public UiPort {
    Q_OBJECT
public:
    explicit QtUiPort(QObject* parent = nullptr) : QObject(parent) {}
    // `windowShown` says, from any thread, whether the main window is visible and not minimised.
    void SetMainWindow(QWidget* window, std::function<bool()> windowShown);
    // Once the program is ending, questions get their default answer and nothing new is shown.
    void ShutDown() { shuttingDown_ = true; }

    using UiPort::ShowAlert;
    void ShowAlert(AlertKind kind, const std::string& text, Icon icon) override;
    Answer Ask(const Question& question) override;
    bool AcceptTermsOfUse() override;
    void ShowFatalError(const std::string& text) override;
    void OpenUrl(const std::string& url) override;
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
    // What "Configurer Proxy..." on the wizard's first page opens.
    void SetProxySettingsOpener(std::function<void()> open) { openProxySettings_ = std::move(open); }
    // The wizard's last page leaves the screen (another dialog, such as the connecting dialog,
    // takes over). GUI thread.
    void CloseWizardPage();

private:
    template <typename F>
    auto OnGuiThread(F&& f) -> decltype(f());
    // What an alert or a question belongs to: the wizard page being checked while it is on
    // screen, otherwise the main window.
    QWidget* Owner() const;

    QPointer<QWidget> mainWindow_;
    std::function<bool()> windowShown_;
    std::atomic<bool> shuttingDown_{false};
    std::function<void()> openProxySettings_;
    QPointer<QDialog> waitWindow_;
    // A wizard page stays on screen, greyed, while its checks run: their wait window and alerts
    // sit over it and the user comes back to it.
    QPointer<QDialog> wizardPage_;
};

}  // namespace tandril::gui
