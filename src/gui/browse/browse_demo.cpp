#include "gui/browse/browse_demo.h"

#include "app/client.h"
#include "browse/browse.h"
#include "chat/hot_list.h"

namespace tandril::gui {

void ShowDemoBrowse(Client& client) {
    struct Song {
        const char* name;
        std::uint32_t size;
        int bitrate, frequency, length;
    } songs[] = {
        {"1:\\1\\Jazz\\So What.mp3", 8812032, 128, 44100, 551},
        {"1:\\1\\Jazz\\Blue in Green.mp3", 5361920, 128, 44100, 335},
        {"1:\\1\\Jazz\\Freddie Freeloader.mp3", 9363456, 128, 44100, 585},
        {"2:\\2\\Rock\\Blue Rock.mp3", 4194304, 160, 44100, 209},
        {"2:\\2\\Rock\\Red Rock (live).mp3", 6029312, 192, 48000, 251},
        {"2:\\2\\Rock\\Chanson d'été.mp3", 3670016, 128, 44100, 229},
        {"3:\\3\\Radio\\Interview.wma", 2621440, 64, 22050, 327},
        {"3:\\3\\Radio\\Protected.wma", 3145728, -1, 44100, -1},
    };
    std::vector<browse::BrowseRecord> records;
    std::uint64_t bytes = 0;
    for (const Song& s : songs) {
        records.push_back({s.name, "0123456789abcdef0123456789abcdef-1000", s.size, s.bitrate, s.frequency, s.length});
        bytes += s.size;
    }
    client.hotList.SetUserField("kim");
    client.browse.view.ShowRecords(std::make_shared<const std::vector<browse::BrowseRecord>>(std::move(records)));
    client.hotList.ShowInfo(std::to_string(std::size(songs)), std::to_string(bytes / 1048576), "42", "kim");
}

}  // namespace tandril::gui
