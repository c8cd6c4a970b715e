// Giving freed heap memory back to the system.
#pragma once

// Every conversion runs on threads of its own, and the C library keeps the
// memory they freed in per-thread pools for later use; over a long run of
// files those pools only grow. Hands the free pages of every pool back to
// the system (a few milliseconds; nothing where the C library cannot).
void releaseFreedHeap();
