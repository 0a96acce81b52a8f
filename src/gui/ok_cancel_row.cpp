#include "gui/ok_cancel_row.h"

#include <QPushButton>

namespace tandril::gui {

QHBoxLayout* OkCancelRow(QDialog* dialog, std::function<void()> onOk) {
    auto* ok = new QPushButton(QStringLiteral("&OK"), dialog);
    auto* cancel = new QPushButton(QStringLiteral("&Annuler"), dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, std::move(onOk));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

}  // namespace tandril::gui
