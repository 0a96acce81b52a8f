#pragma once
// tandril-cli --play=FILE: one file through the built-in player, with the panel's read-outs on
// standard output, then the program ends.

#include <string>

namespace tandril::cli {

class TerminalUi;

// The exit code: 0 played to its end, 2 unknown sound output, 6 the file did not play.
int PlayFileHeadless(const std::string& path, const std::string& sinkChoice, TerminalUi& ui);

}  // namespace tandril::cli
