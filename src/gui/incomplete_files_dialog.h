#pragma once
// "Fichiers à reprendre": the partial downloads listed in resume.dat (upper list), the resume
// search for the selected ones ("&Demander", "&Reprendre") and the sources it finds (the lower
// list "Fichiers repris", shown once a search was asked for).

#include <QDialog>
#include <vector>

#include "transfer/incomplete_files.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tandril {
class Client;
}

namespace tandril::gui {

class IncompleteFilesDialog : public QDialog {
    Q_OBJECT
public:
    IncompleteFilesDialog(Client& client, QWidget* owner);
    // Opens the dialog, or alerts when there is no server connection to search with.
    static void Open(Client& client, QWidget* owner);
    // The lower list "Fichiers repris" grows in, with "&Sortir" and "&Reprendre" enabled.
    void ShowLowerPart();

private:
    void Fill();
    void ShowSources();
    std::vector<transfer::IncompleteEntry> Selected() const;
    void Erase();
    void Ask();

    Client& client_;
    std::vector<transfer::IncompleteEntry> entries_;
    QTreeWidget* files_;
    QTreeWidget* sources_;
    QLabel* sourcesTitle_;
    QPushButton *erase_, *ask_, *leave_, *resume_;
};

}  // namespace tandril::gui
