#pragma once
// A sink that writes what would be heard into a 16-bit PCM WAV file, for tests and headless runs.

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "player/audio_sink.h"

namespace tandril::player {

class WavSink : public AudioSink {
public:
    explicit WavSink(std::filesystem::path path);
    ~WavSink() override;

    // Creates (or empties) the file: a folder that cannot be written is this sink's missing device.
    SinkResult Connect() override;
    // A WAV file has one format: a later, different one is refused.
    SinkResult Open(const AudioFormat& format) override;
    bool Write(std::span<const int16_t> samples) override;
    bool Drain() override;
    void SetPaused(bool) override {}
    void Abort() override { aborted_ = true; }
    // Fills in the sizes of the header; the file is complete only after this.
    void Close() override;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    bool WriteHeader();

    std::filesystem::path path_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    AudioFormat format_;
    uint64_t dataBytes_ = 0;
    std::atomic<bool> aborted_{false};
};

}  // namespace tandril::player
