#pragma once
// The foot of a settings dialog: "&OK" (the default button) and "&Annuler", on the right.

#include <QDialog>
#include <QHBoxLayout>
#include <functional>

namespace tandril::gui {

// "&OK" calls `onOk` (which accepts the dialog once what was typed is acceptable); "&Annuler"
// rejects the dialog.
QHBoxLayout* OkCancelRow(QDialog* dialog, std::function<void()> onOk);

}  // namespace tandril::gui
