// Thread identities and counts as the engine uses them.
#pragma once

#include <cstdint>
#include <functional>

// Identifier of the calling thread (the kernel's thread id).
uint32_t currentThreadId();

// The threads a task gets for `requested` (the component's threadsPerTask):
// 0 or less stands for every core of the machine; at least 1.
int resolveThreadCount(int requested);

// Runs `work` on a thread of its own, `steps` nice steps below the
// caller's scheduling priority, and waits for it; the threads that `work`
// starts keep that priority for their lifetime, while the caller's stays as
// it was. An exception of `work` is raised again on the caller. Where the
// priority cannot be changed, `work` runs at the caller's.
void runWithLowerPriority(int steps, const std::function<void()> &work);
