#pragma once
// The uploader sends the decimal size and the file's bytes back to back: the reply's length is
// measured by peeking, without consuming anything.

#include <chrono>
#include <cstddef>
#include <functional>

namespace tandril::transfer {

struct ReplyPeek {
    // Copies up to `length` waiting bytes without consuming them; the count, or -1 on failure.
    std::function<long(char* into, std::size_t length)> peek;
    std::function<void(std::chrono::milliseconds)> sleep;
    std::function<std::chrono::steady_clock::time_point()> now = [] { return std::chrono::steady_clock::now(); };
};

// The length of the size or error text at the head of the connection (always below 127), or 0
// when there is none to be had.
std::size_t PeekReplyLength(const ReplyPeek& io);

}  // namespace tandril::transfer
