#include "platform/memory.h"

#include <malloc.h>

namespace tandril::platform {

void ReleaseFreeMemory() {
    ::malloc_trim(0);
}

}  // namespace tandril::platform
