#pragma once
// What the main window and the connecting dialog show, kept in the core so that a headless
// client has the same texts as the windows. Setters may be called from any thread; the signals
// tell the skin (and the scripted test UI) about every change.

#include <QObject>
#include <QString>
#include <mutex>
#include <string>

#include "base/thread_queue.h"

namespace tandril {

class MainViewModel : public QObject {
    Q_OBJECT
public:
    // The two parts of the status bar: 0 the connection, 1 the server statistics. At most 99 characters.
    void SetStatusText(int part, const std::string& text);
    std::string StatusText(int part) const;
    void SetPagesVisible(bool visible);
    bool PagesVisible() const;

    // The page switcher's numbers: 0 home page, 1 chat, 2 my files, 3 search, 4 hot list,
    // 5 transfers, 6 discover, 7 help page.
    enum Page { HomePage = 0, ChatPage, MyFilesPage, SearchPage, HotListPage, TransfersPage, DiscoverPage, HelpPage };
    // Asks the window to show a page (and select its tab); callable from any thread.
    void ShowPage(int page, bool activate = true);
    // The page of the tab the user sees, kept up to date by the window.
    void SetCurrentPage(int page);
    int CurrentPage() const;

Q_SIGNALS:
    void statusTextChanged(int part, const QString& text);
    void pagesVisibleChanged(bool visible);
    void pageRequested(int page, bool activate);

private:
    mutable std::mutex lock_;
    std::string status_[2];
    bool pagesVisible_ = true;
    int currentPage_ = ChatPage;
};

// The modal progress dialog "Statut Utilisateur".
class ConnectingDialogModel : public QObject {
    Q_OBJECT
public:
    explicit ConnectingDialogModel(ThreadQueue& gui) : gui_(gui) {}

    void SetStatus(const std::string& text);
    void SetSecondLine(const std::string& text);
    void SetProgress(int value, int maximum);
    void SetButtonText(const std::string& text);
    void SetDialogVisible(bool visible);

    std::string Status() const;
    std::string SecondLine() const;
    std::string ButtonText() const;
    bool IsOpen() const;

    // Called on the GUI thread when the dialog opens; the worker's close (application message
    // 1030) arrives through PostClose from any thread.
    void MarkOpen();
    void PostClose(int result);

Q_SIGNALS:
    void opened();
    void statusChanged(const QString& text);
    void secondLineChanged(const QString& text);
    void progressChanged(int value, int maximum);
    void buttonTextChanged(const QString& text);
    void dialogVisibleChanged(bool visible);
    void closed(int result);

private:
    void CloseOnGuiThread(int result);

    ThreadQueue& gui_;

    mutable std::mutex lock_;
    bool open_ = false;
    std::string status_;
    std::string secondLine_;
    std::string buttonText_;
};

}  // namespace tandril
