// Whatever bytes a text holds, it reads the same after a trip over the wire, in whatever payload it
// travels; whatever bytes arrive, they read as UTF-8 that makes the same trip unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/wire_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tandril;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string form = WireForm(bytes);
    if (FromWireText(ToWireText(bytes)) != form) __builtin_trap();
    if (FromWireText(ToWireText("GET \"" + std::string(bytes) + "\" 0")) != "GET \"" + form + "\" 0") __builtin_trap();
    if (WireForm(form) != form) __builtin_trap();

    const std::string received = FromWireText(bytes);
    if (WireForm(received) != received) __builtin_trap();
    if (FromWireText(ToWireText(received)) != received) __builtin_trap();
    return 0;
}
