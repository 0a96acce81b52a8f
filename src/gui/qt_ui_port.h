#pragma once
// The UI port drawn with Qt dialogs. A worker thread that asks blocks until the GUI thread has
// the answer; modeless notices are shown without blocking anyone.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>

#include "app/ui_port.h"

namespace tandril::gui {

class QtUiPort : public QObject, public UiPort {
    Q_OBJECT
public:
    explicit QtUiPort(QObject* parent = nullptr) : QObject(parent) {}
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    // Once the program is ending, questions get their default answer and nothing new is shown.
    void ShutDown() { shuttingDown_ = true; }

    void ShowAlert(AlertKind kind, const std::string& text) override;
    Answer Ask(const Question& question) override;
    bool AcceptTermsOfUse() override;
    void ShowFatalError(const std::string& text) override;

private:
    template <typename F>
    auto OnGuiThread(F&& f) -> decltype(f());

    QPointer<QWidget> mainWindow_;
    std::atomic<bool> shuttingDown_{false};
};

}  // namespace tandril::gui
