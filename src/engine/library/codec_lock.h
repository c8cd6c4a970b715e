#pragma once

#include <mutex>

// The process-wide codec lock: one task at a time opens or closes codecs or
// reads stream information. Re-entrant.
std::recursive_mutex &codecLock();
