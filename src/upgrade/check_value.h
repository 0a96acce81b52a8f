#pragma once
// The check value of an upgrade offer: what a server can only compute when it knows the user's
// account (name, password, data port, line speed) and the client's version.

#include <string>
#include <string_view>

namespace tandril::upgrade {

// The pre-4.1 password scramble of the account database the servers use: two 31-bit numbers as
// 16 lowercase hexadecimal digits. Blanks and tabs in the password do not count.
std::string OldPasswordScramble(std::string_view password);

// 32 lowercase hexadecimal digits. Texts are taken in the wire's code page, as the server has them.
std::string UpgradeCheckValue(std::string_view userName, std::string_view password, int dataPort, int lineSpeed,
                              std::string_view versionText);

}  // namespace tandril::upgrade
