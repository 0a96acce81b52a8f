// A file-type plug-in for tests: "Validate" answers a fixed value; no media entry points.
#include <cstdint>

extern "C" std::uint32_t Validate(const char*) {
    return VALIDATE_RESULT;
}
