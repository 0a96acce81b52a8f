#pragma once
// The steps of start-up, exit and the session that belong to parts of the client still being
// written (library, transfers, chat, hot list, registration, reconnection, links). Each does the
// least that its part allows today, so that start-up and exit run end to end; each is replaced by
// the real operation when its part arrives. None of them is finished work.

#include <cstdint>
#include <string>
#include <vector>

#include "session/session.h"

namespace tandril::session {

// The end of a session.
void SaveIncompleteDownloads(Session& client);

}  // namespace tandril::session
