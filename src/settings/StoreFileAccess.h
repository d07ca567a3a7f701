#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace lt260 {

// The few file operations the settings store needs, each done the way the
// platform's own profile functions would do it. The build picks one
// implementation per platform.

enum class FileReadStatus { Read, Missing, Unreadable };

// Reads the whole file into `bytes`. On Windows the file is opened sharing
// reading, writing and deletion, as the private-profile functions open it, so
// any handle of another program that lets them read lets us read too.
FileReadStatus ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes);

// Creates `path`, which must not exist yet, with `bytes` as its content, and
// flushes it to the disk before returning, so that a file that replaces the
// settings file is never empty or partial after a power loss.
bool CreateFlushedFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// Puts `source` in place of `target` in one step, and makes the change
// durable. Fails when the system refuses, for example while another program
// holds `target` open on Windows.
bool MoveFileOver(const std::filesystem::path& source, const std::filesystem::path& target);

// Writes `bytes` over the content of `path` (created if missing) through one
// handle and flushes it. Opened with the access and sharing of the platform's
// profile writes: it succeeds exactly where they may write.
bool OverwriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);

uint32_t CurrentProcessId();
// False only when no process with this id runs now.
bool ProcessIsRunning(uint32_t processId);

}  // namespace lt260
