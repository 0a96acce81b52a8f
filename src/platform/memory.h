#pragma once
// Handing memory back to the system.

namespace tandril::platform {

// Gives the free memory of the heap back to the system. Worth its cost after work that allocated
// a great deal for a short time (building a large library, announcing it): the allocator keeps
// what was freed for the next allocation otherwise, and the process stays that large while idle.
void ReleaseFreeMemory();

}  // namespace tandril::platform
