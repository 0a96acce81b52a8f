#include <cstdint>
#include <string_view>

#include "server/get_field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int n = 1; n <= 12; ++n) {
        auto field = tandril::server::GetField(text, n, 50);
        if (field && field->size() > 49) __builtin_trap();
    }
    tandril::server::GetField(text, 2, 0, ';');
    return 0;
}
