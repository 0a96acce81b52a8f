#pragma once
// "Tandril Preferences": the six pages as tabs. The widgets only gather what was typed; the rules
// are the core's (session/preferences.h). OK applies every page in order and stays open, on the
// refusing page, when one refuses.

#include <QDialog>
#include <memory>
#include <vector>

#include "session/preferences.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace tandril {
class Client;
}

namespace tandril::gui {

class FolderTree;
class ThemesPage;

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(Client& client, QWidget* owner);
    ~PreferencesDialog() override;

    QTabWidget* Pages() const { return pages_; }
    QComboBox* LineSpeed() const { return speed_; }
    QLineEdit* Email() const { return email_; }
    QLineEdit* Password() const { return password_; }
    FolderTree* SharedTree() const { return sharedTree_; }
    QLineEdit* MaxUploads() const { return maxUploads_; }
    QLineEdit* DataPort() const { return dataPort_; }
    QPushButton* ScanButton() const { return scan_; }
    FolderTree* SaveTree() const { return saveTree_; }
    QLineEdit* MaxDownloads() const { return maxDownloads_; }

    // "&OK": every page that was shown is applied in order (a page never opened has nothing to say);
    // the first that refuses is shown and the sheet stays.
    void TryAccept();
    // "&Démarrer!": the disk scan behind the connecting dialog; the tree is refilled when it ends.
    void StartScan();
    // What closing sets in motion (after exec() returns).
    void Finish();

private:
    QWidget* BuildPersonal();
    QWidget* BuildChat();
    QWidget* BuildSharing();
    QWidget* BuildDownload();
    QWidget* BuildProxy();

    Client& client_;
    // Shared with a running scan, which outlives nothing but may outlive a click.
    std::shared_ptr<session::PreferencesSheet> sheet_;
    QTabWidget* pages_;
    std::vector<bool> shown_;
    QComboBox* speed_{};
    QLineEdit* email_{};
    QLineEdit* password_{};
    QComboBox* player_{};
    QCheckBox* chatBoxes_[4]{};
    ThemesPage* themes_{};
    FolderTree* sharedTree_{};
    QLineEdit* maxUploads_{};
    QLineEdit* dataPort_{};
    QPushButton* scan_{};
    FolderTree* saveTree_{};
    QLineEdit* maxDownloads_{};
    QComboBox* partialAction_{};
    QComboBox* autoDelete_{};
    QComboBox* proxyType_{};
    QLineEdit* proxyServer_{};
    QLineEdit* proxyPort_{};
    QLineEdit* proxyUser_{};
    QLineEdit* proxyPassword_{};
    QComboBox* proxyTransfers_{};
};

// Opens the sheet modally over `owner` and does what closing it sets in motion.
void ShowPreferences(Client& client, QWidget* owner);

}  // namespace tandril::gui
