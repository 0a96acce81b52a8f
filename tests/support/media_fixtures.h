#pragma once
// Real media files for tests, made by encoders from Debian's packages at test time.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_profile.h"

namespace tandril::test {

bool HaveLame();
bool HaveFfmpeg();
// `seconds` of a tone encoded by lame; `options` chooses the format ("-b 128 --cbr -t").
std::filesystem::path EncodeMp3(const TestProfile& dir, const std::string& name, double seconds, int rate, const std::string& options);
// A file made by ffmpeg from its inputs and options.
std::filesystem::path MakeWithFfmpeg(const TestProfile& dir, const std::string& name, const std::string& inputsAndOptions);

// `seconds * rate` frames of a sweep (another one in the second channel) as a 16-bit PCM WAV file:
// what an encoder given this file was given, to the frame.
std::filesystem::path WriteToneWav(const TestProfile& dir, const std::string& name, double seconds, int rate, int channels);
// `wav` encoded by lame with `options` ("-b 320 --cbr", "-V 2 -b 32 -B 320") into `name`.
std::filesystem::path EncodeWavWithLame(const TestProfile& dir, const std::filesystem::path& wav, const std::string& name,
                                        const std::string& options);

struct WavContents {
    bool valid = false;
    int sampleRate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved
    int64_t frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
};
// A 16-bit PCM WAV file's format and samples; valid is false for anything else.
WavContents ReadWav(const std::filesystem::path& path);

}  // namespace tandril::test
