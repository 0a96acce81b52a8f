#include "gui/user_info_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/client.h"
#include "chat/user_info.h"
#include "gui/app_icon.h"
#include "gui/chat/chat_view_widget.h"

namespace tandril::gui {

namespace {

// The labels are written for stops just wider than the longest short label ("Address:", two
// tabs) and narrower than the long ones (one tab): every value then starts at the second stop.
// Fixed stops of two inches, with this skin's fonts, push the short labels' values far right.
constexpr const char* kWidestShortLabel = "Address:  ";

}  // namespace

UserInfoDialog::UserInfoDialog(Client& client, int id, QWidget* parent) : QDialog(parent) {
    chat::UserInfoWindow* record = client.userInfo.Find(id);
    setObjectName(QStringLiteral("UserInfoDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(AppIcon());
    setWindowTitle(QString::fromStdString(record ? record->title : std::string(chat::kUserInfoCaption)));
    view_ = new ChatViewWidget(
        record ? record->view : none_, [&client](const QUrl& url) { client.ui.OpenUrl(url.toString().toStdString()); }, this);
    view_->ApplyScheme(client.schemes.Current());
    view_->setTabStopDistance(view_->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestShortLabel)));
    auto* close = new QPushButton(QStringLiteral("&Fermer"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    resize(520, 330);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

UserInfoDialogs::UserInfoDialogs(Client& client, QWidget* owner) : QObject(owner), client_(client), owner_(owner) {
    connect(&client.userInfo, &chat::UserInfoWindows::windowOpened, this, [this](int id) {
        auto* dialog = new UserInfoDialog(client_, id, owner_);
        dialogs_[id] = dialog;
        // The record goes once its dialog has gone (closed by the user), never before.
        connect(dialog, &QObject::destroyed, this, [this, id] {
            dialogs_.erase(id);
            client_.userInfo.Close(id);
        });
        if (owner_) dialog->move(owner_->geometry().center() - dialog->rect().center());
        dialog->show();
    });
    // The core closes a window (a flood pushed it out): its dialog goes before the view it draws.
    connect(&client.userInfo, &chat::UserInfoWindows::windowClosed, this, [this](int id) {
        auto it = dialogs_.find(id);
        if (it == dialogs_.end()) return;
        UserInfoDialog* dialog = it->second;
        dialogs_.erase(it);
        dialog->disconnect(this);
        delete dialog;
    });
}

UserInfoDialog* UserInfoDialogs::Dialog(int id) const {
    auto it = dialogs_.find(id);
    return it == dialogs_.end() ? nullptr : it->second;
}

}  // namespace tandril::gui
