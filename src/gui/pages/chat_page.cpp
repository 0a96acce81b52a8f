#include "gui/pages/chat_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/client.h"
#include "gui/chat/chat_input.h"
#include "gui/chat/chat_view_widget.h"
#include "session/pending_parts.h"

namespace tandril::gui {

ChatWindowPage::ChatWindowPage(Client& client, chat::ChannelWindow& window, const std::function<void(const QUrl&)>& openUrl,
                               QWidget* parent)
    : QWidget(parent), client_(client), window_(window) {
    setObjectName(QString::fromStdString(window.name));
    topic_ = new ChatViewWidget(window.topicView, openUrl, this);
    topic_->SetSingleLine(true);
    view_ = new ChatViewWidget(window.chatView, openUrl, this);
    input_ = new ChatInput(window, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(topic_);
    layout->addWidget(view_, 1);
    layout->addWidget(input_);
    // The personal-messages window sends nothing to anybody: what is typed there goes to the
    // command interpreter, which lands with the chat commands.
    connect(input_, &ChatInput::lineEntered, this, [](const QString&) {});
    ApplyScheme();
}

void ChatWindowPage::ApplyScheme() {
    const chat::ColorScheme& scheme = client_.schemes.Current();
    topic_->ApplyScheme(scheme);
    view_->ApplyScheme(scheme);
    QPalette p = input_->palette();
    std::uint32_t background = scheme.background, text = scheme.SchemeColor("Input");
    p.setColor(QPalette::Base, QColor(chat::Red(background), chat::Green(background), chat::Blue(background)));
    p.setColor(QPalette::Text, QColor(chat::Red(text), chat::Green(text), chat::Blue(text)));
    input_->setPalette(p);
    client_.chat.SetTopic(window_, window_.topic);  // drawn again in the scheme's colours
}

ChatPage::ChatPage(Client& client, std::function<void(const QUrl&)> openUrl, QWidget* parent) : QWidget(parent), client_(client) {
    setObjectName(QStringLiteral("ChatPage"));
    stack_ = new QStackedWidget(this);
    personal_ = new ChatWindowPage(client, client.chat.Personal(), openUrl, stack_);
    stack_->addWidget(personal_);
    tabs_ = new QTabBar(this);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->addTab(QString::fromLatin1(chat::kPrivateWindow));
    rooms_ = new QPushButton(QStringLiteral("Salles de discussion"), this);
    leave_ = new QPushButton(QStringLiteral("Quitter Salle"), this);
    // While "Private" is the only window there is nothing to switch to and nothing to leave.
    tabs_->setVisible(false);
    leave_->setEnabled(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(tabs_, 1);
    bottom->addStretch();
    bottom->addWidget(rooms_);
    bottom->addWidget(leave_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stack_, 1);
    layout->addLayout(bottom);

    connect(rooms_, &QPushButton::clicked, this, [this] {
        if (!client_.state.connected) {
            client_.ui.ShowAlert(AlertKind::Modal, "You must first connect to the server!");
            return;
        }
        client_.channels.list.Open();
    });
    connect(&client.chat, &chat::ChatWindows::schemeApplied, this, [this] { personal_->ApplyScheme(); });
}

}  // namespace tandril::gui
