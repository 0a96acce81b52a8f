#pragma once
// Changes to the account made while online: password, e-mail address, line speed.

#include <string>

#include "session/session.h"

namespace tandril::session {

void ChangePassword(Session& client, const std::string& password);
void ChangeEmail(Session& client, const std::string& email);
void SetLineSpeed(Session& client, int code);

}  // namespace tandril::session
