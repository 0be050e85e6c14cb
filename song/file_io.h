// Whole-file reading and crash-safe writing, shared by songs, instrument
// files, WAV export and the preferences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qn {

constexpr size_t kNoSizeLimit = ~size_t(0);

// Reads the regular file at `path` into `bytes` (replacing its contents).
// Fails, leaving `bytes` unchanged, when the file cannot be opened, is not a
// regular file, is larger than `maxSize` or cannot be read completely.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxSize = kNoSizeLimit);

// Writes `size` bytes to an open file descriptor; returns false on any error.
// Tests pass their own to make a write fail halfway.
using WriteBytesFunction = bool (*)(int fd, const uint8_t* data, size_t size);
bool WriteAllBytes(int fd, const uint8_t* data, size_t size);

// Writes the data to a new temporary file beside `path`, flushes it to disk
// and renames it over `path` only when everything was written. On failure
// the temporary file is removed and whatever was at `path` is untouched.
bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                         WriteBytesFunction writeBytes = nullptr);

}  // namespace qn
