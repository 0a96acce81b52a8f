#include "gui/connecting_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "app/client.h"
#include "gui/window_placement.h"

namespace tandril::gui {

ConnectingDialog::ConnectingDialog(Client& client, QWidget* mainWindow) : QDialog(mainWindow), client_(client), mainWindow_(mainWindow) {
    setWindowTitle(QStringLiteral("Statut Utilisateur"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(QStringLiteral("Chargement..."), this);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setRange(0, 0);
    secondLine_ = new QLabel(this);
    button_ = new QPushButton(QStringLiteral("Annuler"), this);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addWidget(secondLine_);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    setMinimumWidth(320);

    ConnectingDialogModel& model = client.dialog;
    connect(&model, &ConnectingDialogModel::opened, this, [this] {
        CentreOver(*this, mainWindow_);
        show();
    });
    connect(&model, &ConnectingDialogModel::statusChanged, status_, &QLabel::setText);
    connect(&model, &ConnectingDialogModel::secondLineChanged, secondLine_, &QLabel::setText);
    connect(&model, &ConnectingDialogModel::buttonTextChanged, this, [this](const QString& t) {
        button_->setText(t);
        if (t == QLatin1String("OK")) progress_->setRange(0, 1);  // nothing is running any more
    });
    connect(&model, &ConnectingDialogModel::progressChanged, this, [this](int value, int maximum) {
        progress_->setRange(0, maximum);
        progress_->setValue(value);
    });
    connect(&model, &ConnectingDialogModel::dialogVisibleChanged, this, &QWidget::setVisible);
    connect(&model, &ConnectingDialogModel::closed, this, &QDialog::hide);
    connect(button_, &QPushButton::clicked, this, [this] { client_.CancelConnectingDialog(); });
}

void ConnectingDialog::closeEvent(QCloseEvent* event) {
    client_.CancelConnectingDialog();
    event->accept();
}

void ConnectingDialog::changeEvent(QEvent* event) {
    // Minimising or restoring the dialog does the same to the main window.
    if (event->type() == QEvent::WindowStateChange && mainWindow_) {
        if (isMinimized()) {
            mainWindow_->showMinimized();
        } else if (mainWindow_->isMinimized()) {
            ShowAgain(*mainWindow_);
        }
    }
    QDialog::changeEvent(event);
}

}  // namespace tandril::gui
