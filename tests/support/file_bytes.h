// Generated files read, damaged and written back byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file's bytes, and a file made of `bytes`.
std::string fileBytes(const std::string &path);
void writeFileBytes(const std::string &path, const std::string &bytes);
// The big-endian 32-bit number at `at` (as MOV/MP4 boxes store them).
uint32_t bigEndian32(const std::string &bytes, size_t at);
void setBigEndian32(std::string &bytes, size_t at, uint32_t value);
