// The files the player keeps for itself (slot files and their backups), over POSIX calls. They are read
// only when they are regular files, never through a symbolic link and never more than a limit; they are
// written through a temporary file beside them and renamed into place, with the permissions the user's
// umask gives a new file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace corv {

// Makes a write past the file-size limit (ulimit -f) fail with an error instead of killing the process.
void IgnoreFileSizeSignal();

// Why ReadWholeFile failed: its result's reason().
enum class ReadFailure { kNone, kMissing, kNotRegular, kTooLarge, kUnreadable };

// Reads a whole regular file of at most max_bytes. A symbolic link, a FIFO, a device or a folder is
// refused without being followed or waited on, and a larger file before any of it is read; the failure's
// reason is a ReadFailure.
Result<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t max_bytes);

// Writes bytes to path through a temporary file in the same folder, flushed to disk and renamed into
// place: the file at path is either the old content or the new, never a mix, and a failed write leaves no
// temporary file behind. Whatever was at path (a symbolic link included) is replaced, never written
// through.
Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// As WriteFileAtomically; when path holds a regular file, that file becomes `backup` (replacing it)
// without a byte of it being copied. Nothing changes when anything fails.
Status ReplaceFileKeepingBackup(const std::string& path, const std::string& backup,
                                std::span<const uint8_t> bytes);

// The regular file in path's folder whose name is path's file name in any letter case, as the folder
// spells it; nullopt when there is none or when the folder does not exist. A symbolic link does not
// count, whatever it points at. Fails when the folder cannot be listed or is not a folder.
Result<std::optional<std::string>> FindFileAnyCase(const std::string& path);

// Creates the folder and the folders above it that are missing.
Status MakeFolders(const std::string& folder);

// Removes the temporary files that writes into `folder` left behind when they were killed: regular files
// named as the writers above name their temporaries (the target's name, ".tmp-" and six letters or
// digits) for a target name that `is_target` accepts. Returns how many went. (A write running at that
// moment in another process loses its temporary file; its rename then fails and it reports the failure.)
size_t RemoveLeftoverTemporaries(const std::string& folder,
                                 const std::function<bool(std::string_view)>& is_target);

// Whether a folder exists and the player may create files in it.
bool CanWriteInFolder(const std::string& folder);

// The last modification of the regular file at path (not followed when it is a symbolic link), in
// seconds since 1970; nullopt when there is no regular file there.
std::optional<int64_t> ModificationTime(const std::string& path);

}  // namespace corv
