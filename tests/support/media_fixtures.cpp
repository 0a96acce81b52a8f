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

}  // namespace tandril::test
