#pragma once
// What is playing: the PCM format handed to the sound output and what the panel reports.

#include <cstdint>

namespace tandril::player {

// Every engine hands its output over as interleaved signed 16-bit samples in host byte order.
struct AudioFormat {
    int sampleRate = 0;
    int channels = 0;
    bool Valid() const { return sampleRate > 0 && channels > 0; }
    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

enum class Codec { kNone, kMpeg, kWma };

struct StreamInfo {
    Codec codec = Codec::kNone;
    // MPEG only: 1 or 2. MPEG 2.5 is an extension of MPEG 2 for the lowest rates; it reports 2
    // with mpeg25 set, so that a "MPEG %d" read-out stays a whole number.
    int mpegVersion = 0;
    bool mpeg25 = false;
    int layer = 0;
    // The stream's bitrate for a constant-bitrate stream; for VBR and ABR streams the average of
    // the frames decoded so far, which settles quickly and does not flicker like a per-frame figure.
    int bitrateKbps = 0;
    bool variableBitrate = false;
    int sampleRate = 0;
    int channels = 0;
};

}  // namespace tandril::player
