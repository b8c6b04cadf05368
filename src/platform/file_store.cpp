#include "platform/file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>

namespace corv {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr size_t kRandomLetters = 6;
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// path + ".tmp-" + six random letters and digits.
std::string TemporaryName(const std::string& path) {
  std::random_device random;
  std::uniform_int_distribution<size_t> pick(0, sizeof(kLetters) - 2);
  std::string name = path + std::string(kTemporaryMark);
  for (size_t i = 0; i < kRandomLetters; ++i) name += kLetters[pick(random)];
  return name;
}

// The target's name when `name` is a temporary name for it, else empty.
std::string_view TargetOfTemporary(std::string_view name) {
  const size_t tail = kTemporaryMark.size() + kRandomLetters;
  if (name.size() <= tail || name.substr(name.size() - tail, kTemporaryMark.size()) != kTemporaryMark)
    return {};
  const std::string_view letters = name.substr(name.size() - kRandomLetters);
  const bool random = std::all_of(letters.begin(), letters.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
  return random ? name.substr(0, name.size() - tail) : std::string_view();
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// What failed and the system's reason.
Error SystemFailure(const std::string& what, int code) {
  return Fail(what + ": " + std::strerror(code));
}

bool SameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// A new file of our own, created with the mode the umask gives (never an existing file or a link).
int CreateTemporary(const std::string& path, std::string* temp) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    *temp = TemporaryName(path);
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes the bytes into a new temporary file beside path, flushed to disk; its name in *temp. Nothing is
// left behind when this fails.
Status WriteTemporary(const std::string& path, std::span<const uint8_t> bytes, std::string* temp) {
  const int fd = CreateTemporary(path, temp);
  if (fd < 0) return SystemFailure("cannot create a file beside " + path, errno);
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
    const int code = errno;
    ::close(fd);
    ::unlink(temp->c_str());
    return SystemFailure("cannot write " + *temp, code);
  }
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temp->c_str());
    return SystemFailure("cannot write " + *temp, code);
  }
  return {};
}

enum class Backup { kNone, kLinked, kMoved };

// Makes the regular file at path also `backup`: a second name for the same file through a temporary
// link renamed over the old backup, so that path never goes missing. A file system without hard links
// gets the file renamed to `backup` instead (kMoved), which leaves path missing until the new file is
// renamed in.
Result<Backup> KeepAsBackup(const std::string& path, const std::string& backup) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return Backup::kNone;
    return SystemFailure("cannot look at " + path, errno);
  }
  if (!S_ISREG(info.st_mode)) return Backup::kNone;  // a link, a FIFO, ...: replaced, never kept
  std::string link;
  int code = EEXIST;
  for (int attempt = 0; attempt < 16 && code == EEXIST; ++attempt) {
    link = TemporaryName(backup);
    code = ::link(path.c_str(), link.c_str()) == 0 ? 0 : errno;
  }
  if (code == 0) {
    if (::rename(link.c_str(), backup.c_str()) == 0) return Backup::kLinked;
    code = errno;
    ::unlink(link.c_str());
    return SystemFailure("cannot rename " + link + " to " + backup, code);
  }
  if (code != EPERM && code != EOPNOTSUPP && code != ENOSYS && code != EMLINK) {
    return SystemFailure("cannot link " + path + " to " + link, code);
  }
  if (::rename(path.c_str(), backup.c_str()) != 0) {
    return SystemFailure("cannot rename " + path + " to " + backup, errno);
  }
  return Backup::kMoved;
}

// Renames the temporary file into place and flushes the folder; the temporary file goes when it fails.
Status Commit(const std::string& temp, const std::string& path) {
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int code = errno;
    ::unlink(temp.c_str());
    return SystemFailure("cannot rename " + temp + " to " + path, code);
  }
  // The rename is on disk once the folder is; a folder that cannot be opened for this is not an error.
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return {};
}

}  // namespace

void IgnoreFileSizeSignal() {
  std::signal(SIGXFSZ, SIG_IGN);
}

Result<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t max_bytes) {
  auto fail = [&](ReadFailure why) {
    static constexpr const char* kWhy[] = {"", "there is no such file", "not a regular file",
                                           "larger than any file of its kind", "the file cannot be read"};
    return Fail(path + ": " + kWhy[static_cast<int>(why)], why);
  };
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below like any other non-file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return fail(ReadFailure::kMissing);
    return fail(errno == ELOOP ? ReadFailure::kNotRegular : ReadFailure::kUnreadable);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) return fail(ReadFailure::kUnreadable);
  if (!S_ISREG(info.st_mode)) return fail(ReadFailure::kNotRegular);
  if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > max_bytes)
    return fail(ReadFailure::kTooLarge);
  // The file may grow while it is read: read on past its size, up to one byte more than the limit.
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got > max_bytes) return fail(ReadFailure::kTooLarge);
      bytes.resize(got + std::min(max_bytes - got, std::max<size_t>(got, 65536)) + 1);
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ReadFailure::kUnreadable);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > max_bytes) return fail(ReadFailure::kTooLarge);
  bytes.resize(got);
  return bytes;
}

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  std::string temp;
  if (Status written = WriteTemporary(path, bytes, &temp); !written) return written;
  return Commit(temp, path);
}

Status ReplaceFileKeepingBackup(const std::string& path, const std::string& backup,
                                std::span<const uint8_t> bytes) {
  std::string temp;
  if (Status written = WriteTemporary(path, bytes, &temp); !written) return written;
  const Result<Backup> kept = KeepAsBackup(path, backup);
  if (!kept) {
    ::unlink(temp.c_str());
    return kept.failure();
  }
  Status committed = Commit(temp, path);
  if (!committed && *kept == Backup::kMoved)
    ::rename(backup.c_str(), path.c_str());  // the old file goes back
  return committed;
}

size_t RemoveLeftoverTemporaries(const std::string& folder,
                                 const std::function<bool(std::string_view)>& is_target) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  size_t removed = 0;
  const int dir_fd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    const std::string_view target = TargetOfTemporary(name);
    if (target.empty() || !is_target(target)) continue;
    struct stat info {};
    if (::fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) continue;
    if (::unlinkat(dir_fd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

Result<std::optional<std::string>> FindFileAnyCase(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = FolderOf(path);
  const std::string_view name =
      slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    if (errno == ENOENT) return std::optional<std::string>();
    return SystemFailure(folder, errno);
  }
  const int dir_fd = ::dirfd(dir);
  std::optional<std::string> found;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    struct stat info {};
    if (SameNoCase(entry->d_name, name) &&
        ::fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
      found = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + entry->d_name;
      break;
    }
    errno = 0;
  }
  const int code = errno;
  ::closedir(dir);
  if (!found && code != 0) return SystemFailure(folder, code);
  return found;
}

Status MakeFolders(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return Fail(folder + ": " + ec.message());
  return {};
}

bool CanWriteInFolder(const std::string& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<int64_t> ModificationTime(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<int64_t>(info.st_mtime);
}

}  // namespace corv
