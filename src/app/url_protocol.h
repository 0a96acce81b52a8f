#pragma once
// Links of the program's own scheme, tdl:COMMAND?NAME=value&..., from a web page (through the
// desktop's handler), from the command line, or handed over by a second start.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandril {

class Client;

// The value of parameter `name` (case ignored), cut to `capacity` - 1 characters; nullopt when
// it is missing or empty.
std::optional<std::string> GetUrlParameter(std::string_view text, std::string_view name, std::size_t capacity);
// %-escapes decoded, at most 2047 characters.
std::string DecodeUrl(std::string_view link);

// "-p link" runs the link; anything else is ignored.
void HandleCommandLine(Client& client, const std::vector<std::string>& arguments);
// A SEARCH link fills the search page and runs the search; other commands do nothing.
void HandleProtocolUrl(Client& client, const std::string& link);

// Makes the desktop hand tdl: links to `program` ("program -p link"): a .desktop entry in the
// user's applications folder under `dataHome`, and the scheme's default handler. False when the
// entry could not be written.
bool RegisterUrlProtocol(const std::string& program, const std::string& dataHome);

}  // namespace tandril
