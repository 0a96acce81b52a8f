#pragma once
// The page behind the tab "&Transfert": downloads above, uploads below, each with its information
// line, the menus of both lists, the Delete key, "Annuler" and "Effacer les Tranferts Terminés".

#include <QWidget>
#include <vector>

class QLabel;
class QMenu;
class QTreeView;

namespace tandril {
class Client;
}

namespace tandril::gui {

class TransferModel;

class TransfersPage : public QWidget {
    Q_OBJECT
public:
    TransfersPage(Client& client, QWidget* parent = nullptr);

    QTreeView* List(bool outbound) const { return outbound ? outbound_ : inbound_; }
    std::vector<std::uint32_t> SelectedRows(bool outbound) const;
    // The list that last had the focus: "Annuler" cancels its selected rows.
    bool LastFocusedOutbound() const { return lastOutbound_; }
    void CancelSelected();
    // The right-click menu of a list for its selected rows (the first selected row decides).
    void FillMenu(QMenu& menu, bool outbound);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeView* MakeList(bool outbound);
    void ShowMenu(bool outbound, const QPoint& at);
    void ShowInfo();

    Client& client_;
    QTreeView* inbound_;
    QTreeView* outbound_;
    QLabel* inboundInfo_;
    QLabel* outboundInfo_;
    bool lastOutbound_ = false;
};

}  // namespace tandril::gui
