#include "kestrel/platform/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "kestrel/platform/quoted_text.h"
#include "kestrel/platform/termination.h"

namespace kestrel::platform {

namespace {

constexpr const char* kStopped = "stopped, as the program was asked to end";

// What a path that is no regular file is instead.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a named pipe, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
  if (S_ISSOCK(mode)) return "it is a socket, not a file";
  return "it is not a regular file";
}

std::string TooLarge(const FileLimit& limit) {
  struct Unit {
    int shift;
    const char* name;
  };
  std::string size = std::to_string(limit.bytes) + " bytes";
  for (const Unit& u : {Unit{30, " GiB"}, Unit{20, " MiB"}, Unit{10, " KiB"}}) {
    if (limit.bytes >= (uint64_t(1) << u.shift) && limit.bytes % (uint64_t(1) << u.shift) == 0) {
      size = std::to_string(limit.bytes >> u.shift) + u.name;
      break;
    }
  }
  return "it is larger than " + size + ", the limit for " + limit.kind;
}

// Why an open failed. A socket, or a FIFO no one reads, answers a write
// with "No such device or address", which says less than its kind.
std::string Unopened(const std::string& path, int error) {
  struct stat st {};
  if (error == ENXIO && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return KindOf(st.st_mode);
  return error == EISDIR ? KindOf(S_IFDIR) : std::strerror(error);
}

// Takes O_NONBLOCK off again: it served the open only.
void Block(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK); }

}  // namespace

std::string FileFault::Text() const { return QuotedText(path, std::string::npos) + ": " + reason; }

FileToRead::~FileToRead() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileToRead::Fail(std::string reason, int signal) {
  fault_.reason = std::move(reason);
  fault_.signal = signal;
  return false;
}

bool FileToRead::Open(const std::string& path, const FileLimit& limit) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  limit_ = limit;
  fault_ = {path, "", 0};
  // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
  int fd;
  while ((fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) < 0) {
    if (errno != EINTR) return Fail(Unopened(path, errno));
    if (const int s = TerminationSignal()) return Fail(kStopped, s);
  }
  // The kind of what was opened, not of what the path named a moment before.
  struct stat st {};
  std::string reason;
  if (::fstat(fd, &st) != 0) reason = std::strerror(errno);
  else if (!S_ISREG(st.st_mode)) reason = KindOf(st.st_mode);
  else if (uint64_t(st.st_size) > limit.bytes) reason = TooLarge(limit);
  if (!reason.empty()) {
    ::close(fd);
    return Fail(reason);
  }
  Block(fd);
  fd_ = fd;
  size_ = uint64_t(st.st_size);
  return true;
}

bool FileToRead::ReadAt(uint64_t offset, void* dest, size_t count) {
  auto* out = static_cast<char*>(dest);
  while (count > 0) {
    const ssize_t n = ::pread(fd_, out, count, off_t(offset));
    if (n < 0 && errno == EINTR) {
      if (const int s = TerminationSignal()) return Fail(kStopped, s);
      continue;
    }
    if (n < 0) return Fail(std::strerror(errno));
    if (n == 0) return false;
    out += n;
    offset += uint64_t(n);
    count -= size_t(n);
  }
  return true;
}

bool FileToRead::ReadAll(std::string& bytes) {
  constexpr uint64_t kBlock = uint64_t(1) << 20;
  bytes.clear();
  bytes.reserve(size_t(std::min(size_, limit_.bytes) + 1));
  uint64_t at = 0;
  for (;;) {
    if (const int s = TerminationSignal()) {
      bytes.clear();
      return Fail(kStopped, s);
    }
    // What the size says is left and one byte to find the end, or a page
    // when it says nothing more; never past the limit's first byte beyond.
    const uint64_t left = at < size_ ? size_ - at + 1 : 4096;
    const auto want = size_t(std::min({kBlock, left, limit_.bytes + 1 - at}));
    bytes.resize(size_t(at) + want);
    const ssize_t n = ::pread(fd_, bytes.data() + at, want, off_t(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      bytes.clear();
      return Fail(std::strerror(errno));
    }
    if (n == 0) break;
    at += uint64_t(n);
    if (at > limit_.bytes) {
      bytes.clear();
      return Fail(TooLarge(limit_));
    }
  }
  bytes.resize(size_t(at));
  return true;
}

bool ReadWholeFile(const std::string& path, const FileLimit& limit, std::string& bytes, FileFault& fault) {
  FileToRead file;
  const bool read = file.Open(path, limit) && file.ReadAll(bytes);
  fault = file.Fault();
  return read;
}

FileToWrite::~FileToWrite() { Close(); }

bool FileToWrite::Fail(std::string reason, int signal) {
  // The first fault is the one to tell.
  if (!fault_) {
    fault_.reason = std::move(reason);
    fault_.signal = signal;
  }
  return false;
}

bool FileToWrite::Open(const std::string& path, WriteTarget target) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  held_.clear();
  fault_ = {path, "", 0};
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  int error = errno;
  struct stat st {};
  // A FIFO that may be written but that no one reads yet is waited on until
  // a reader comes.
  if (fd < 0 && error == ENXIO && target == WriteTarget::AnyStream && ::stat(path.c_str(), &st) == 0 &&
      S_ISFIFO(st.st_mode)) {
    while (!TerminationSignal() && (fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY)) < 0 && errno == EINTR) {
    }
    if (const int s = TerminationSignal(); fd < 0 && s) return Fail(kStopped, s);
    error = errno;
  }
  if (fd < 0) return Fail(Unopened(path, error));
  std::string reason;
  if (::fstat(fd, &st) != 0) reason = std::strerror(errno);
  else if (!S_ISREG(st.st_mode) && target == WriteTarget::FileOnly) reason = KindOf(st.st_mode);
  else if (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) reason = std::strerror(errno);
  if (!reason.empty()) {
    ::close(fd);
    return Fail(reason);
  }
  Block(fd);
  fd_ = fd;
  return true;
}

bool FileToWrite::Write(std::string_view text) {
  if (fault_) return false;
  held_.append(text);
  return held_.size() < (size_t(64) << 10) || Flush();
}

bool FileToWrite::Flush() {
  size_t done = 0;
  while (!fault_ && done < held_.size()) {
    const ssize_t n = ::write(fd_, held_.data() + done, held_.size() - done);
    if (n < 0 && errno == EINTR) {
      if (const int s = TerminationSignal()) Fail(kStopped, s);
    } else if (n < 0) {
      Fail(std::strerror(errno));
    } else {
      done += size_t(n);
    }
  }
  held_.clear();
  return !fault_;
}

bool FileToWrite::Close() {
  if (fd_ < 0) return !fault_;
  Flush();
  if (::close(fd_) != 0) Fail(std::strerror(errno));
  fd_ = -1;
  return !fault_;
}

}  // namespace kestrel::platform
