#pragma once
// MPEG audio (layers 1 to 3; MP3 and MP2 files) through libmpg123, from a file or fed in blocks.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>

#include "player/decoder.h"

struct mpg123_handle_struct;

namespace tandril::player {

class Mpg123Decoder : public Decoder {
public:
    ~Mpg123Decoder() override;
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    // nullptr when the library cannot make a handle or the file cannot be opened (`error` says why).
    static std::unique_ptr<Mpg123Decoder> OpenFile(const std::filesystem::path& path, std::string& error);
    // A decoder for bytes pushed in with Feed(); nullptr when the library cannot make a handle.
    static std::unique_ptr<Mpg123Decoder> OpenFeed(std::string& error);

    // Feed mode: hands over a block (copied). An engine code (kEngineOk or an error). A stream
    // that gives no sound in its first 128 KiB past a leading ID3v2 tag is refused
    // (libmpg123 itself would wait for ever on a stream of zeros).
    int Feed(std::span<const std::byte> block);

    int Decode(std::vector<int16_t>& pcm) override;
    AudioFormat Format() const override { return format_; }
    StreamInfo Info() const override { return info_; }
    std::string LastErrorText() const override { return lastError_; }

private:
    Mpg123Decoder() = default;
    bool Setup(std::string& error);
    int Fail(int mpg123Code);
    void UpdateInfo();

    mpg123_handle_struct* handle_ = nullptr;
    bool feed_ = false;
    AudioFormat format_;
    StreamInfo info_;
    int64_t framesSeen_ = 0;
    // Feed mode: bytes taken before the first sound, and how many of them a leading ID3v2 tag holds.
    uint64_t bytesBeforeSound_ = 0;
    uint64_t leadingTagBytes_ = 0;
    bool heardSound_ = false;
    int64_t bitrateSum_ = 0;
    std::string lastError_;
};

}  // namespace tandril::player
