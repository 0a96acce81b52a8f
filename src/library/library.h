#pragma once
// The library part of a running client: the shareable file types, the shared list and the
// library view, with what they work with (the runtime and the way to the index server).

#include "base/runtime.h"
#include "library/file_types.h"
#include "library/library_view.h"
#include "library/shared_list.h"
#include "protocol/frame_sender.h"

namespace tandril::library {

struct Library {
    Library(Runtime& runtime, protocol::FrameSender& serverLink) : rt(runtime), server(serverLink) {}

    Runtime& rt;
    protocol::FrameSender& server;
    // Loaded at start-up.
    FileTypeTable fileTypes;
    SharedList sharedList;
    LibraryView view;
};

}  // namespace tandril::library
