#pragma once
// What the user does with selected search results. Each acts only while no search runs.

#include <vector>

#include "search/search_result.h"

namespace tandril {
class Client;
}

namespace tandril::search {

// Shows the transfer page and hands each result to the download side (started now or queued
// with its hash, by the number of downloads running).
void DownloadResults(Client& client, const std::vector<SearchResult>& results);
// 207 for each result's user, then "Added %d %s to your list." ("Select one or more Users first."
// for none).
void AddResultUsersToHotList(Client& client, const std::vector<SearchResult>& results);
// 603 with each result's user.
void AskResultUsersInfo(Client& client, const std::vector<SearchResult>& results);
// An instant message to the first result's user; the first result's user's shared files.
void MessageResultUser(Client& client, const std::vector<SearchResult>& results);
void BrowseResultUser(Client& client, const std::vector<SearchResult>& results);
// Play while downloading: not for Windows Media files.
void PlayResult(Client& client, const SearchResult& result);
void ClearResults(Client& client);

}  // namespace tandril::search
