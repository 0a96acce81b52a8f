#pragma once
// The chat command interpreter: what a line typed into a chat window does. A plain line is a
// public message to the window's channel; a line that begins with "/" is a command, looked up by
// name in one table (its minimum number of words, its syntax message, what it sends). Notices go
// into the typing window as system lines. GUI thread.

#include <string>
#include <string_view>
#include <vector>

namespace tandril::chat {

class Channels;
class ChannelWindow;

// The single entry point: `window` is the window the line was typed in.
void RunChatLine(Channels& channels, ChannelWindow& window, const std::string& text);

// The words of a command line, as the table reads them.
struct CommandWords {
    std::string word;       // after the leading slashes, up to the first blank
    std::string arguments;  // after that blank, trimmed
    int count = 0;          // 0 when there are no arguments, else 1 + the runs of blanks inside them
};
CommandWords SplitCommand(std::string_view line);

// The names of the table in their order (each row's names together), for tests and help.
std::vector<std::vector<std::string>> CommandNames();

}  // namespace tandril::chat
