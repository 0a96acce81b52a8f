#pragma once
// The registration wizard: connection speed, account (new or existing), optional personal data,
// shared folders and download folder, a data port others can reach, then registration or login.

#include <map>
#include <string>
#include <vector>

namespace tandril::session {

struct Session;

// 1 when the user is online with the account; 0 when the wizard was left (the program is then
// exiting, or an upgrade offer or the invalid-password dialog took over).
int RegistrationWizard(Session& client);

// The first candidate port on which the server reached this computer, or 0.
int FindDataPort(Session& client, const std::vector<int>& candidates);

// Message 15: each entry as "\"KEY\" \"value\"", in key order, separated by blanks.

// The checks of the account page; empty when the page may be left.
std::string CheckAccountPage(bool newUser, std::string& user, std::string& password, std::string& password2, std::string& email);

}  // namespace tandril::session
