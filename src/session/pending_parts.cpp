#include "session/pending_parts.h"

#include "session/session.h"

namespace tandril::session {

void SaveIncompleteDownloads(Session&) {}

}  // namespace tandril::session
