#include "gui/proxy_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/client.h"
#include "gui/ok_cancel_row.h"
#include "session/proxy_settings.h"

namespace tandril::gui {

ProxyDialog::ProxyDialog(Client& client, QWidget* owner) : QDialog(owner), client_(client) {
    setWindowTitle(QStringLiteral("Paramètres du Proxy"));
    setObjectName(QStringLiteral("ProxyDialog"));
    session::ProxyForm form = session::CurrentProxyForm(client.session);
    type_ = new QComboBox(this);
    type_->addItems({QStringLiteral("No proxy server"), QStringLiteral("SOCKS 4 proxy server"), QStringLiteral("SOCKS 5 proxy server")});
    type_->setCurrentIndex(std::clamp(form.choice, 0, 2));
    server_ = new QLineEdit(QString::fromStdString(form.server), this);
    port_ = new QLineEdit(QString::fromStdString(form.port), this);
    user_ = new QLineEdit(QString::fromStdString(form.user), this);
    password_ = new QLineEdit(QString::fromStdString(form.password), this);
    password_->setEchoMode(QLineEdit::Password);
    transfers_ = new QComboBox(this);
    transfers_->addItems({QStringLiteral("Download files through proxy"), QStringLiteral("Download files directly from source")});
    transfers_->setCurrentIndex(form.transfersThroughProxy ? 0 : 1);
    auto* formLayout = new QFormLayout;
    formLayout->addRow(QStringLiteral("Proxy:"), type_);
    formLayout->addRow(QStringLiteral("Server:"), server_);
    formLayout->addRow(QStringLiteral("Port:"), port_);
    formLayout->addRow(QStringLiteral("User:"), user_);
    formLayout->addRow(QStringLiteral("Password:"), password_);
    formLayout->addRow(QStringLiteral("Transfers:"), transfers_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formLayout);
    layout->addLayout(OkCancelRow(this, [this] { TryAccept(); }));
    auto follow = [this] {
        bool proxy = type_->currentIndex() != 0, socks5 = type_->currentIndex() == 2;
        for (QWidget* w : {static_cast<QWidget*>(server_), static_cast<QWidget*>(port_), static_cast<QWidget*>(transfers_)})
            w->setEnabled(proxy);
        user_->setEnabled(socks5);
        password_->setEnabled(socks5);
    };
    connect(type_, &QComboBox::currentIndexChanged, this, follow);
    follow();
}

void ProxyDialog::TryAccept() {
    session::ProxyForm form{type_->currentIndex(),       server_->text().toStdString(),   port_->text().toStdString(),
                            user_->text().toStdString(), password_->text().toStdString(), transfers_->currentIndex() == 0};
    if (session::ApplyProxySettings(client_.session, form) == 0) accept();
}

}  // namespace tandril::gui
