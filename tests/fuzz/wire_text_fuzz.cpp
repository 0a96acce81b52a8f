// Whatever bytes arrive, Windows-1252 text becomes UTF-8 that converts back to the same bytes.
#include <cstdint>
#include <string_view>

#include "base/wire_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view wire(reinterpret_cast<const char*>(data), size);
    std::string utf8 = tandril::Cp1252ToUtf8(wire);
    if (tandril::Utf8ToCp1252(utf8) != wire) __builtin_trap();
    tandril::Utf8ToCp1252(wire);
    return 0;
}
