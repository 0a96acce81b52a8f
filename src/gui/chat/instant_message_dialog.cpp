#include "gui/chat/instant_message_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/client.h"
#include "chat/color_scheme.h"
#include "gui/chat/chat_input.h"
#include "gui/chat/chat_view_widget.h"
#include "session/instant_messages.h"
#include "session/user_requests.h"

namespace tandril::gui {

InstantMessageDialog::InstantMessageDialog(Client& client, chat::InstantMessageWindow& window, std::function<void(const QUrl&)> openUrl,
                                           std::function<void()> showHotList, QWidget* parent)
    : QDialog(parent, Qt::Window), client_(client), window_(window) {
    setObjectName(QStringLiteral("InstantMessageDialog"));
    setWindowTitle(QStringLiteral("(%1) Instant Message").arg(QString::fromStdString(window.peer)));
    setMinimumSize(450, 200);
    resize(480, 300);
    view_ = new ChatViewWidget(window.display, std::move(openUrl), this);
    input_ = new ChatInput(window.history, this);
    hotList_ = new QPushButton(QStringLiteral("&Ajouter l'Utilisateur aux Favoris"), this);
    ignore_ = new QPushButton(window.peerIgnored ? QStringLiteral("&Unignore User") : QStringLiteral("&Ignore User"), this);
    info_ = new QPushButton(QStringLiteral("In&formations sur l'Utilisateur"), this);
    hotList_->setEnabled(!window.peerOnHotList);
    for (QPushButton* b : {hotList_, ignore_, info_}) b->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hotList_);
    buttons->addWidget(ignore_);
    buttons->addWidget(info_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addWidget(input_);
    layout->addLayout(buttons);

    const std::string peer = window.peer;
    connect(input_, &ChatInput::lineEntered, this,
            [this](const QString& line) { session::SendInstantMessage(client_.session, window_, line.toStdString()); });
    connect(hotList_, &QPushButton::clicked, this, [this, peer, showHotList = std::move(showHotList)] {
        if (session::AddPeerToHotList(client_.session, peer)) {
            hotList_->setEnabled(false);
            if (showHotList) showHotList();
        }
    });
    // The window goes with its record: after this nothing of it may be touched.
    connect(ignore_, &QPushButton::clicked, this, [this, peer] { session::ToggleIgnorePeer(client_.session, peer); });
    connect(info_, &QPushButton::clicked, this, [this, peer] { session::RequestUserInfo(client_.session, peer); });
    ApplyScheme();
    input_->setFocus();
}

void InstantMessageDialog::ApplyScheme() {
    const chat::ColorScheme& scheme = client_.schemes.Current();
    view_->ApplyScheme(scheme);
    QPalette p = input_->palette();
    std::uint32_t background = scheme.background, text = scheme.SchemeColor("Input");
    p.setColor(QPalette::Base, QColor(chat::Red(background), chat::Green(background), chat::Blue(background)));
    p.setColor(QPalette::Text, QColor(chat::Red(text), chat::Green(text), chat::Blue(text)));
    input_->setPalette(p);
}

void InstantMessageDialog::closeEvent(QCloseEvent* event) {
    event->ignore();  // the core closes the record, and the record's signal deletes this window
    session::CloseInstantMessage(client_.session, window_.peer);
}

void InstantMessageDialog::reject() {
    session::CloseInstantMessage(client_.session, window_.peer);
}

}  // namespace tandril::gui
