#pragma once
// 5: the server offers a newer client, during the login or later.

#include <string>

namespace tandril::session {

struct Session;

// A wrong or missing check value: the user is told where to find the newer version and the
// client stays online. The right one: offline, and the download runs in the connecting dialog.
void OnUpgradeOffer(Session& client, const std::string& payload);

}  // namespace tandril::session
