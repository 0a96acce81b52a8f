#pragma once
// Real media files for tests, made by encoders from Debian's packages at test time.

#include <filesystem>
#include <string>

#include "support/test_profile.h"

namespace tandril::test {

bool HaveLame();
bool HaveFfmpeg();
// `seconds` of a tone encoded by lame; `options` chooses the format ("-b 128 --cbr -t").
std::filesystem::path EncodeMp3(const TestProfile& dir, const std::string& name, double seconds, int rate, const std::string& options);
// A file made by ffmpeg from its inputs and options.
std::filesystem::path MakeWithFfmpeg(const TestProfile& dir, const std::string& name, const std::string& inputsAndOptions);

}  // namespace tandril::test
