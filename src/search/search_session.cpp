#include "search/search_session.h"

#include "base/text.h"

namespace tandril::search {

template <typename Change>
void SearchSession::Update(Change change) {
    {
        std::scoped_lock lock(lock_);
        change(view_);
    }
    Q_EMIT changed();
}

SearchSession::View SearchSession::Snapshot() const {
    std::scoped_lock lock(lock_);
    return view_;
}

void SearchSession::SetForm(const SearchFields& fields) {
    {
        std::scoped_lock lock(lock_);
        form_ = fields;
    }
    Q_EMIT formChanged();
}

void SearchSession::Clear() {
    Update([](View& v) {
        v.rows.clear();
        v.results.clear();
        v.message.clear();
        v.info.clear();
    });
}

SearchFields SearchSession::Form() const {
    std::scoped_lock lock(lock_);
    return form_;
}

void SearchButton(SearchSession& c, const SearchFields& fields) {
    SearchSession& s = c;
    if (!c.rt.state.connected) {
        s.pending = fields;
        c.rt.state.searchRequestedWhileOffline = true;
        Q_EMIT c.connectRequested();
        return;
    }
    if (s.Idle()) {
        s.idle_ = false;
        StartSearch(c, fields);
    } else {
        CancelSearch(c);
    }
}

void StartSearch(SearchSession& c, const SearchFields& fields) {
    SearchSession& s = c;
    if (!c.rt.state.connected) {
        s.Update([](SearchSession::View& v) {
            v.rows.clear();
            v.results.clear();
            v.message = "Non connecté au serveur!";
        });
        s.idle_ = true;
        return;
    }
    std::optional<protocol::SearchRequest> query = BuildQuery(fields);
    if (!query) {
        c.rt.ui.ShowAlert(AlertKind::Modal, "Spécifiez un(e) artiste/musique à rechercher !");
        s.idle_ = true;
        return;
    }
    s.idle_ = false;
    ++s.inProgress_;
    const unsigned search = ++s.search_;
    s.pinger_.reset();
    s.Update([&](SearchSession::View& v) {
        s.collected_.clear();
        v.rows.clear();
        v.results.clear();
        v.message = "Performing search...";
        v.info = "Searching...";
        v.button = kCancelButton;
        v.buttonEnabled = true;
    });
    if (s.options.byResponseTime) {
        s.pinger_ =
            std::make_unique<ResultPinger>(s.collected_, s.lock_, [&c, search] { c.rt.PostToGui([&c, search] { c.Finish(search); }); });
    }
    protocol::Send(c.server, *query);
}

void OnSearchResult(SearchSession& c, const protocol::SearchResult& message) {
    SearchResult result = ResultFrom(message);
    std::scoped_lock lock(c.lock_);
    c.collected_.push_back(std::move(result));
}

void OnEndOfSearch(SearchSession& c) {
    SearchSession& s = c;
    int count = s.inProgress_.load();
    while (count > 0 && !s.inProgress_.compare_exchange_weak(count, count - 1)) {
    }
    // While users are still being measured the list waits for them; the pinger shows it.
    if (s.pinger_) {
        s.Update([](SearchSession::View& v) { v.buttonEnabled = false; });
        s.pinger_->Stop();
        return;
    }
    s.Finish(s.search_);
}

void SearchSession::Finish(unsigned search) {
    if (search != search_) return;
    pinger_.reset();
    Update([&](SearchSession::View& v) {
        v.button = kSearchButtonAfterSearch;
        v.buttonEnabled = true;
        v.results = std::move(collected_);
        collected_.clear();
        v.rows = v.results.empty() ? std::vector<ResultRow>{} : ShowSearchResults(v.results, options);
        if (v.rows.empty()) {
            v.message = "No matching files found!";
            v.info = "Returned 0 results.";
        } else {
            v.message.clear();
            v.info = Format(64, "Returned %d results.", static_cast<int>(v.rows.size()));
        }
    });
    idle_ = true;
}

void CancelSearch(SearchSession& c) {
    SearchSession& s = c;
    ++s.search_;
    if (s.pinger_) {
        s.pinger_->Stop();
        s.pinger_->WaitDone(std::chrono::milliseconds(8000));
        s.pinger_.reset();
    }
    s.Update([&](SearchSession::View& v) {
        s.collected_.clear();
        v.rows.clear();
        v.results.clear();
        v.message = "Recherche annulé!";
        v.info.clear();
        v.button = kSearchButtonAfterSearch;
        v.buttonEnabled = true;
    });
    s.idle_ = true;
    int count = s.inProgress_.load();
    while (count > 0 && !s.inProgress_.compare_exchange_weak(count, count - 1)) {
    }
}

void StopSearchOnDisconnect(SearchSession& c) {
    // A disconnect may come from any thread that was sending; the pinger lives on the GUI thread.
    c.rt.gui.RunOrPost([&c] {
        ++c.search_;  // what the pinger or the server still hands over belongs to no search
        if (c.pinger_) c.pinger_->Stop();
        c.pinger_.reset();
        c.Update([&](SearchSession::View& v) {
            c.collected_.clear();
            v.rows.clear();
            v.results.clear();
            v.message.clear();
            v.info.clear();
            v.button = kSearchButtonAfterSearch;
            v.buttonEnabled = true;
        });
        c.inProgress_ = 0;
        c.idle_ = true;
    });
}

}  // namespace tandril::search
