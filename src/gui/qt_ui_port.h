#pragma once
// The UI port drawn with Qt dialogs. A worker thread that asks a question blocks until the GUI
// thread has the answer; a notice that is not modal is posted and never blocks its caller.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>

#include "base/ui_port.h"

namespace tandril::gui {

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
    std::optional<std::string> AskText(const std::string& caption, const std::string& prompt, std::size_t maxLength) override;
    InvitationChoice AskInvitation(const std::string& inviter, const std::string& channel, const std::string& topic,
                                   bool canIgnore) override;
    // What "Configurer Proxy..." on the wizard's first page opens.
    void SetProxySettingsOpener(std::function<void()> open) { openProxySettings_ = std::move(open); }

private:
    template <typename F>
    auto OnGuiThread(F&& f) -> decltype(f());

    QPointer<QWidget> mainWindow_;
    std::function<bool()> windowShown_;
    std::atomic<bool> shuttingDown_{false};
    std::function<void()> openProxySettings_;
    QPointer<QDialog> waitWindow_;
};

}  // namespace tandril::gui
