#pragma once
// The channel list window "Salles de discussions de Tandril": a view of the core's channel list
// (shown when it opens, gone when it closes), its join, close and view buttons, and the
// collapsible creation area.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableView;
class QWidget;

namespace tandril {
class Client;
}

namespace tandril::gui {

class ChannelListWindow : public QDialog {
    Q_OBJECT
public:
    ChannelListWindow(Client& client, QWidget* parent);
    QTableView* List() const { return table_; }
    QPushButton* ViewButton() const { return view_; }

private:
    void JoinSelected();
    void SetCreateShown(bool shown);

    Client& client_;
    QTableView* table_;
    QPushButton* view_;
    QPushButton* createToggle_;
    QWidget* createArea_;
    QLineEdit* name_;
};

}  // namespace tandril::gui
