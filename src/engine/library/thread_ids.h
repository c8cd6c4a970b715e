// Thread identities and counts as the engine uses them.
#pragma once

#include <cstdint>

// Identifier of the calling thread (the kernel's thread id).
uint32_t currentThreadId();

// The threads a task gets for `requested` (the component's threadsPerTask):
// 0 or less stands for every core of the machine; at least 1.
int resolveThreadCount(int requested);
