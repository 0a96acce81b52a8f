#pragma once
// What the screenshots play: a tone encoded for the occasion, through an output that takes the
// sound at the pace a sound card would and plays nothing.

#include <QString>
#include <memory>

#include "player/audio_sink.h"

namespace tandril {
class Client;
}

namespace tandril::gui {

// A silent output paced like a real one.
std::unique_ptr<player::AudioSink> DemoSink();

// Fills the playlist with a few entries, one of them a real MP3 made in `folder` (by lame, when
// it is installed), plays that one and waits until two seconds have played. False when there is
// nothing to play.
bool PlayDemoPlaylist(Client& client, const QString& folder);

}  // namespace tandril::gui
