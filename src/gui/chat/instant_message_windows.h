#pragma once
// The skin's side of the instant-message windows: a dialog for every record the core opens,
// brought to the front when asked for again, deleted when the record closes. New windows cascade
// from the first one, or sit centred over the main window when the cascade would leave the
// screen; the first is centred on the desktop. Also "Instant message a User".

#include <QObject>
#include <QPointer>
#include <map>

#include "chat/instant_messages.h"

namespace tandril::gui {

class MainWindow;
class InstantMessageDialog;

class InstantMessageWindows : public QObject {
    Q_OBJECT
public:
    explicit InstantMessageWindows(MainWindow& main);
    ~InstantMessageWindows() override;
    InstantMessageDialog* DialogFor(const chat::InstantMessageWindow* window) const;

private:
    void Opened(chat::InstantMessageWindow* window);
    void Place(InstantMessageDialog& dialog);

    MainWindow& main_;
    std::map<const chat::InstantMessageWindow*, QPointer<InstantMessageDialog>> dialogs_;
};

// The main menu's "&Envoyer un Message Personnel": the name asked for (pre-filled with the
// selected user), then that user's window brought to the front or opened.
void PromptInstantMessage(MainWindow& main);

}  // namespace tandril::gui
