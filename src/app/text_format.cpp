#include "app/text_format.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "server/get_field.h"

namespace tandril {

std::string FormatV(std::size_t max, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return server::CutText(std::string_view(buffer.data(), static_cast<std::size_t>(needed)), max);
}

std::string Format(std::size_t max, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(max, format, args);
    va_end(args);
    return text;
}

std::string GroupThousands(std::string_view digits, std::size_t limit) {
    if (digits.empty()) return "0";
    std::string grouped;
    std::size_t count = 0;
    for (std::size_t i = digits.size(); i > 0; --i) {
        if (count > 0 && count % 3 == 0) grouped.insert(grouped.begin(), ',');
        grouped.insert(grouped.begin(), digits[i - 1]);
        ++count;
    }
    return grouped.size() >= limit ? std::string(digits) : grouped;
}

std::string CTimeText(long long secondsSinceEpoch) {
    std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y\n", &local);
    return buffer;
}

}  // namespace tandril
