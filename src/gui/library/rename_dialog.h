#pragma once
// "Rename file?": asks for a file's new name with the old one offered.

#include <QInputDialog>
#include <memory>

namespace tandril::gui {

// The field is wide enough to show `offered` whole (up to most of the screen's width).
std::unique_ptr<QInputDialog> MakeRenameDialog(const QString& offered, QWidget* parent);

}  // namespace tandril::gui
