#include "support/media_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace tandril::test {

bool HaveLame() {
    return std::system("command -v lame >/dev/null") == 0;
}
bool HaveFfmpeg() {
    return std::system("command -v ffmpeg >/dev/null") == 0;
}

std::filesystem::path EncodeMp3(const TestProfile& dir, const std::string& name, double seconds, int rate, const std::string& options) {
    auto raw = dir.path() / (name + ".raw");
    {
        std::ofstream out(raw, std::ios::binary);
        int samples = static_cast<int>(seconds * rate);
        for (int i = 0; i < samples; ++i) {
            // A sweep, so that the encoder has something to spend bits on.
            double t = static_cast<double>(i) / rate;
            auto v = static_cast<int16_t>(9000 * std::sin(2 * M_PI * (220 + 40 * t) * t) +
                                          3000 * std::sin(2 * M_PI * 3300 * t * (1 + (i % 7) * 0.01)));
            out.write(reinterpret_cast<const char*>(&v), 2);
        }
    }
    auto mp3 = dir.path() / (name + ".mp3");
    std::string command = "lame --quiet -r -s " + std::to_string(rate / 1000.0) + " --bitwidth 16 --signed --little-endian -m m " +
                          options + " '" + raw.string() + "' '" + mp3.string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::filesystem::remove(raw);
    return mp3;
}

std::filesystem::path MakeWithFfmpeg(const TestProfile& dir, const std::string& name, const std::string& inputsAndOptions) {
    auto path = dir.path() / name;
    std::string command = "ffmpeg -nostdin -loglevel error -y " + inputsAndOptions + " '" + path.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

std::filesystem::path WriteToneWav(const TestProfile& dir, const std::string& name, double seconds, int rate, int channels) {
    auto path = dir.path() / name;
    const auto frames = static_cast<uint32_t>(seconds * rate);
    const uint32_t dataBytes = frames * channels * 2;
    std::ofstream out(path, std::ios::binary);
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
    };
    out.write("RIFF", 4);
    put(36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * 2, 4);
    put(channels * 2, 2);
    put(16, 2);
    out.write("data", 4);
    put(dataBytes, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        for (int c = 0; c < channels; ++c) {
            double base = c == 0 ? 220 + 60 * t : 330 - 40 * t;
            auto v = static_cast<int16_t>(9000 * std::sin(2 * M_PI * base * t) + 2500 * std::sin(2 * M_PI * (2000 + 700 * c) * t));
            put(static_cast<uint16_t>(v), 2);
        }
    }
    return path;
}

std::filesystem::path EncodeWavWithLame(const TestProfile& dir, const std::filesystem::path& wav, const std::string& name,
                                        const std::string& options) {
    auto mp3 = dir.path() / name;
    std::string command = "lame --quiet " + options + " '" + wav.string() + "' '" + mp3.string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return mp3;
}

WavContents ReadWav(const std::filesystem::path& path) {
    WavContents wav;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
        return v;
    };
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 8, "WAVEfmt ") != 0 || le(20, 2) != 1 ||
        le(34, 2) != 16 || bytes.compare(36, 4, "data") != 0) {
        return wav;
    }
    uint32_t dataBytes = le(40, 4);
    if (44 + static_cast<uint64_t>(dataBytes) > bytes.size()) return wav;
    wav.channels = static_cast<int>(le(22, 2));
    wav.sampleRate = static_cast<int>(le(24, 4));
    wav.samples.resize(dataBytes / 2);
    for (size_t i = 0; i < wav.samples.size(); ++i) wav.samples[i] = static_cast<int16_t>(le(44 + 2 * i, 2));
    wav.valid = true;
    return wav;
}

}  // namespace tandril::test
