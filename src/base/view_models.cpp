#include "base/view_models.h"

#include "base/text.h"

namespace tandril {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
constexpr std::size_t kMaxStatusText = 99;
}  // namespace

void MainViewModel::SetStatusText(int part, const std::string& text) {
    if (part < 0 || part > 1) return;
    std::string cut = CutText(text, kMaxStatusText);
    {
        std::scoped_lock lock(lock_);
        // Several steps of one change write the same text; the bar changes once.
        if (status_[part] == cut) return;
        status_[part] = cut;
    }
    Q_EMIT statusTextChanged(part, Q(cut));
}

std::string MainViewModel::StatusText(int part) const {
    std::scoped_lock lock(lock_);
    return part >= 0 && part <= 1 ? status_[part] : std::string();
}

void MainViewModel::SetPagesVisible(bool visible) {
    {
        std::scoped_lock lock(lock_);
        pagesVisible_ = visible;
    }
    Q_EMIT pagesVisibleChanged(visible);
}

bool MainViewModel::PagesVisible() const {
    std::scoped_lock lock(lock_);
    return pagesVisible_;
}

void MainViewModel::ShowPage(int page, bool activate) {
    Q_EMIT pageRequested(page, activate);
}

void MainViewModel::SetCurrentPage(int page) {
    std::scoped_lock lock(lock_);
    currentPage_ = page;
}

int MainViewModel::CurrentPage() const {
    std::scoped_lock lock(lock_);
    return currentPage_;
}

void ConnectingDialogModel::SetStatus(const std::string& text) {
    {
        std::scoped_lock lock(lock_);
        status_ = text;
    }
    Q_EMIT statusChanged(Q(text));
}

void ConnectingDialogModel::SetSecondLine(const std::string& text) {
    {
        std::scoped_lock lock(lock_);
        secondLine_ = text;
    }
    Q_EMIT secondLineChanged(Q(text));
}

void ConnectingDialogModel::SetProgress(int value, int maximum) {
    Q_EMIT progressChanged(value, maximum);
}

void ConnectingDialogModel::SetButtonText(const std::string& text) {
    {
        std::scoped_lock lock(lock_);
        buttonText_ = text;
    }
    Q_EMIT buttonTextChanged(Q(text));
}

void ConnectingDialogModel::SetDialogVisible(bool visible) {
    Q_EMIT dialogVisibleChanged(visible);
}

std::string ConnectingDialogModel::Status() const {
    std::scoped_lock lock(lock_);
    return status_;
}

std::string ConnectingDialogModel::SecondLine() const {
    std::scoped_lock lock(lock_);
    return secondLine_;
}

std::string ConnectingDialogModel::ButtonText() const {
    std::scoped_lock lock(lock_);
    return buttonText_;
}

bool ConnectingDialogModel::IsOpen() const {
    std::scoped_lock lock(lock_);
    return open_;
}

void ConnectingDialogModel::MarkOpen() {
    {
        std::scoped_lock lock(lock_);
        open_ = true;
        status_ = "Chargement...";
        secondLine_.clear();
        buttonText_ = "Annuler";
    }
    Q_EMIT opened();
    Q_EMIT statusChanged(Q("Chargement..."));
    Q_EMIT buttonTextChanged(Q("Annuler"));
}

void ConnectingDialogModel::PostClose(int result) {
    gui_.Post([this, result] { CloseOnGuiThread(result); });
}

void ConnectingDialogModel::CloseOnGuiThread(int result) {
    {
        std::scoped_lock lock(lock_);
        if (!open_) return;
        open_ = false;
    }
    Q_EMIT closed(result);
}

}  // namespace tandril
