#include "chat/scroll_rule.h"

namespace tandril::chat {

ScrollDecision ScrollAfterAppend(ScrollState before, ScrollState after) {
    int oldBottom = before.rangeMax - before.page;
    int newBottom = after.rangeMax - after.page;
    ScrollDecision d;
    d.follow = before.position >= oldBottom || (oldBottom == 1 && newBottom != oldBottom);
    if (d.follow && after.position < newBottom) d.scrollLines = after.lines - before.lines + (oldBottom == 1 ? 1 : 0);
    return d;
}

}  // namespace tandril::chat
