#pragma once
// What the user does with selected search results. Each acts only while no search runs.

#include <cstdint>
#include <vector>

#include "search/search_result.h"
#include "session/session.h"

namespace tandril::session {

// Shows the transfer page and hands each result to the download side (started now or queued
// with its hash, by the number of downloads running).
void DownloadResults(Session& client, const std::vector<search::SearchResult>& results);
// 207 for each result's user, then "Added %d %s to your list." ("Select one or more Users first."
// for none).
void AddResultUsersToHotList(Session& client, const std::vector<search::SearchResult>& results);
// 603 with each result's user.
void AskResultUsersInfo(Session& client, const std::vector<search::SearchResult>& results);
// An instant message to the first result's user; the first result's user's shared files.
void MessageResultUser(Session& client, const std::vector<search::SearchResult>& results);
void BrowseResultUser(Session& client, const std::vector<search::SearchResult>& results);
// Play while downloading: not for Windows Media files.
void PlayResult(Session& client, const search::SearchResult& result);
void ClearResults(Session& client);

// "&Jouer le Fichier!" on a transfer row: the file goes to the player once its download has begun.
void PlayTransfer(Session& client, bool outbound, std::uint32_t rowId);

}  // namespace tandril::session
