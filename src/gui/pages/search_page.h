#pragma once
#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tandril {
class Client;
namespace search {
struct SearchFields;
struct SearchResult;
}  // namespace search
}  // namespace tandril

namespace tandril::gui {

class ResultsModel;
class HeaderSortModel;

// The page behind the tab &Search: the search fields, the advanced filters, the file type and
// the result list.
class SearchPage : public QWidget {
    Q_OBJECT
public:
    SearchPage(Client& client, QWidget* parent = nullptr);

    QLineEdit* Artist() const { return artist_; }
    QLineEdit* Title() const { return title_; }
    QPushButton* SearchButton() const { return search_; }
    QTreeView* Results() const { return results_; }
    QLabel* Info() const { return info_; }
    // The six filter lists, in the order of their stored names.
    QComboBox* Filter(int index) const { return filters_[index]; }
    QCheckBox* ByResponseTime() const { return byResponseTime_; }

    search::SearchFields Fields() const;
    std::vector<search::SearchResult> SelectedResults() const;
    // "You cannot clear fields until your current search is complete." while searching.
    void ClearSearchFields();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillFileTypes();
    void ShowAdvanced(bool shown);
    void FillFromForm();
    void SaveFilters();
    void UpdateFromSession();
    void FileTypeChosen();
    void ShowResultMenu(const QPoint& at);

    Client& client_;
    QLineEdit* artist_;
    QLineEdit* title_;
    QLabel* artistLabel_;
    QPushButton* search_;
    QPushButton* advanced_;
    QGroupBox* advancedBox_;
    QComboBox* filters_[6];
    QCheckBox* byResponseTime_;
    QComboBox* fileType_;
    QLabel* info_;
    ResultsModel* model_;
    HeaderSortModel* sorted_;
    QTreeView* results_;
};

}  // namespace tandril::gui
