#include "gui/people_prompts.h"

#include <QInputDialog>
#include <QLineEdit>
#include <optional>

#include "app/client.h"
#include "gui/main_window.h"
#include "gui/selected_user_name.h"
#include "session/hot_list.h"
#include "session/user_requests.h"

namespace tandril::gui {

namespace {

constexpr int kNameWidth = 19;

// An input box with its answer limited to a user name; nullopt on cancel.
std::optional<std::string> AskUserName(MainWindow& window, const char* caption, const char* prompt) {
    QInputDialog dialog(&window);
    dialog.setWindowTitle(QString::fromUtf8(caption));
    dialog.setLabelText(QString::fromUtf8(prompt));
    dialog.setTextValue(QString::fromStdString(SelectedUserName(window)));
    if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(kNameWidth);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().trimmed().left(kNameWidth).toStdString();
}

}  // namespace

void PromptAddHotListUser(MainWindow& window) {
    Client& client = window.client();
    if (!client.state.connected) {
        client.ui.ShowAlert(AlertKind::Modal, "You must first connect to the server!");
        return;
    }
    auto user = AskUserName(window, "Add User to Hot List", "User to add:");
    if (!user || user->empty()) return;
    if (session::AddHotListUser(client.session, *user)) window.ShowPage(MainViewModel::HotListPage, true);
}

void PromptUserInfo(MainWindow& window) {
    auto user = AskUserName(window, "Name of user", "Name of user:");
    if (user && !user->empty()) session::RequestUserInfo(window.client().session, *user);
}

}  // namespace tandril::gui
