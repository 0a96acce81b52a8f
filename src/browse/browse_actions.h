#pragma once
// What the file browser offers for its rows: downloading them and playing one as it arrives.

#include <cstddef>
#include <vector>

namespace tandril::browse {

class Browse;

// Each row (an index into the view's records) is downloaded from the browsed user: started while
// a download slot is free, queued otherwise.
void DownloadBrowsed(Browse& b, const std::vector<std::size_t>& rows);
// Streams the row's file to the player, whatever the download limit; a WMA file cannot be.
void PlayBrowsed(Browse& b, std::size_t row);

}  // namespace tandril::browse
