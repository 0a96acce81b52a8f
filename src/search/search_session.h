#pragma once
// One search at a time: the query sent, the results collected until the end of the search, and
// what the search page shows meanwhile (its rows, the "Search Info" text, the button's text).
// Kept in the core so that the page, the command line and the tests see the same thing.

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/runtime.h"
#include "protocol/frame_sender.h"
#include "search/result_pinger.h"
#include "search/search_query.h"
#include "search/search_result.h"

namespace tandril::search {

inline constexpr const char* kSearchButton = "Ch&ercher!";
inline constexpr const char* kSearchButtonAfterSearch = "Chercher!";
inline constexpr const char* kCancelButton = "Ca&ncel";

class SearchSession : public QObject {
    Q_OBJECT
public:
    SearchSession(Runtime& runtime, protocol::FrameSender& serverLink) : rt(runtime), server(serverLink) {}

    Runtime& rt;
    protocol::FrameSender& server;

    struct View {
        std::vector<ResultRow> rows;
        std::vector<SearchResult> results;  // the rows' data
        std::string message;                // a single row in place of results ("Performing search...")
        std::string info;                   // the "Search Info" box
        std::string button = kSearchButton;
        bool buttonEnabled = true;
    };
    View Snapshot() const;
    bool Idle() const { return idle_; }
    // Empties the result list.
    void Clear();
    int InProgress() const { return inProgress_; }

    // What the page chose; read when a search ends.
    ShowOptions options;
    // The page's fields, when something other than the page fills them (a link).
    void SetForm(const SearchFields& fields);
    SearchFields Form() const;
    // The fields of a search asked for while offline, run after the login.
    SearchFields pending;

Q_SIGNALS:
    void changed();
    void formChanged();
    // A search was asked for while offline: the client is to connect, then search.
    void connectRequested();

private:
    friend void SearchButton(SearchSession&, const SearchFields&);
    friend void StartSearch(SearchSession&, const SearchFields&);
    friend void OnSearchResult(SearchSession&, const protocol::SearchResult&);
    friend void OnEndOfSearch(SearchSession&);
    friend void CancelSearch(SearchSession&);
    friend void StopSearchOnDisconnect(SearchSession&);
    // Shows the collected results; `search` says which search they belong to.
    void Finish(unsigned search);
    template <typename Change>
    void Update(Change change);

    mutable std::mutex lock_;  // the result-list lock
    std::vector<SearchResult> collected_;
    SearchFields form_;
    View view_;
    std::atomic<bool> idle_{true};
    std::atomic<int> inProgress_{0};
    // Which search the results belong to: a measurement finishing after a cancel shows nothing.
    std::atomic<unsigned> search_{0};
    std::unique_ptr<ResultPinger> pinger_;  // GUI thread only
};

// The search button: offline it connects first and searches after the login; idle it searches;
// while a search runs it cancels.
void SearchButton(SearchSession& client, const SearchFields& fields);
void StartSearch(SearchSession& client, const SearchFields& fields);
void OnSearchResult(SearchSession& client, const protocol::SearchResult& message);
void OnEndOfSearch(SearchSession& client);
void CancelSearch(SearchSession& client);
// The connection ended: no search runs any more, its results and pings are dropped, the list and
// the information pane are emptied and the button reads "Chercher!" again.
void StopSearchOnDisconnect(SearchSession& client);

}  // namespace tandril::search
