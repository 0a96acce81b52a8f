#include "transfer/peek_reply.h"

#include <cctype>

namespace tandril::transfer {

std::size_t PeekReplyLength(const ReplyPeek& io) {
    using namespace std::chrono;
    const auto start = io.now();
    char buf[128];
    long got = io.peek(buf, 1);
    if (got < 0) return 0;
    enum class Kind { Unknown, Numeric, Textual } kind = Kind::Unknown;
    std::size_t length = 1;
    int retries = 0;
    for (;;) {
        if (got == static_cast<long>(length)) {
            const auto first = static_cast<unsigned char>(buf[0]);
            if (kind == Kind::Unknown) {
                if (std::isdigit(first)) {
                    kind = Kind::Numeric;
                } else if (std::isalpha(first)) {
                    kind = Kind::Textual;
                } else {
                    return 0;
                }
            }
            const auto last = static_cast<unsigned char>(buf[length - 1]);
            const bool ends = kind == Kind::Numeric ? !std::isdigit(last) : !(std::isalnum(last) || std::isspace(last));
            if (ends) return length - 1;
            if (length + 1 >= 127) return 0;
            ++length;
        } else {
            if (got < 0) return 0;
            if (got == static_cast<long>(length) - 1 || retries >= 5) return static_cast<std::size_t>(got);
            if (io.now() - start > seconds(20)) return 0;
            io.sleep(milliseconds(500));
            ++retries;
        }
        got = io.peek(buf, length);
    }
}

}  // namespace tandril::transfer
