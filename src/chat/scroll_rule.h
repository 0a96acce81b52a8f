#pragma once
// Whether a chat view follows a new line or stays where the user left it.

namespace tandril::chat {

struct ScrollState {
    int rangeMax = 0;  // the scroll range's maximum (content extent)
    int page = 0;      // the visible extent
    int position = 0;
    int lines = 0;  // lines in the view
};

struct ScrollDecision {
    bool follow = false;
    int scrollLines = 0;  // lines to scroll down, when following
};

// The view follows when it was at the bottom before the line came (or had just become
// scrollable); it then scrolls by the lines added. Otherwise it stays.
ScrollDecision ScrollAfterAppend(ScrollState before, ScrollState after);

}  // namespace tandril::chat
