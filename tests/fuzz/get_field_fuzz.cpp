#include <cstdint>
#include <string_view>

#include "base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int n = 1; n <= 12; ++n) {
        auto field = tandril::GetField(text, n, 50);
        if (field && field->size() > 49) __builtin_trap();
    }
    tandril::GetField(text, 2, 0, ';');
    return 0;
}
