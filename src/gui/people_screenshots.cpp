#include "gui/people_screenshots.h"

#include <QApplication>

#include "app/client.h"
#include "gui/chat/ignore_list_dialog.h"
#include "gui/chat/instant_message_dialog.h"
#include "gui/main_window.h"

namespace tandril::gui {

void ShootPeopleWindows(Client& client, MainWindow& window, const std::function<void(QWidget&, const QString&)>& save) {
    chat::InstantMessageWindow& im = client.instantMessages.Open("kim", false, false);
    client.instantMessages.AppendLine(im, "User message", "<kim> hey, is that live set from the pier yours?");
    client.instantMessages.AppendLine(im, "My message", "<demo> it is! recorded it last summer, grab it from my files");
    client.instantMessages.AppendLine(im, "User message",
                                      "<kim> downloading now, thanks :) the opening track is the best thing I have heard in weeks, "
                                      "a long line to show how wrapped lines sit");
    // The window is a top-level one of its own, not a child of the main window.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<InstantMessageDialog*>(top)) save(*dialog, QStringLiteral("instant-message.png"));
    }
    client.instantMessages.Close("kim");

    client.ignoreList.OpenDialog();
    for (const char* user : {"spam_bot_3000", "LoudTroll", "flooder42"}) client.ignoreList.AddRow(user);
    IgnoreListDialog ignored(client, {}, &window);
    ignored.show();
    save(ignored, QStringLiteral("ignore-list.png"));
}

}  // namespace tandril::gui
