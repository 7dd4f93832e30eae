#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// Whole files read and written at once. The write goes to a temporary file
// in the same folder that is renamed over the target only when complete, so
// a failed save never loses the file it replaces; a target that exists and
// is no regular file (a device such as /dev/null, a pipe) is written
// directly, not replaced.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
bool IsSpecialFile(const std::string& path);
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
// The parts one after another, each written from where it lies.
bool WriteFileAtomically(const std::string& path, std::initializer_list<std::span<const std::byte>> parts);
