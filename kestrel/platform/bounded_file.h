// The files a player or a variable names, opened one way. Only a regular
// file is read: a folder, a FIFO or a device in its place is refused with
// its kind named, never waited on (the open does not block) nor read for
// ever. Each kind of file is read up to a size far above any real one, so a
// wrong path costs one line, not the machine's memory. A refusal gives the
// real reason, and a termination signal stops a read or a wait.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::platform {

// The most bytes read of one kind of file, and the kind as a message names
// it ("it is larger than 4 MiB, the limit for a catalogue").
struct FileLimit {
  uint64_t bytes;
  const char* kind;
};
inline constexpr FileLimit kSettingsFileLimit{uint64_t(256) << 10, "a settings file"};
inline constexpr FileLimit kCatalogueLimit{uint64_t(4) << 20, "a catalogue"};
inline constexpr FileLimit kInputScriptLimit{uint64_t(64) << 20, "an input script"};
// No entry inflates past 256 MiB either (kMaxInflatedSize).
inline constexpr FileLimit kArchiveLimit{uint64_t(256) << 20, "an archive"};

// Why a file could not be opened, read or written.
struct FileFault {
  std::string path;    // as given
  std::string reason;  // "it is a directory", the system's text for errno, ...; empty: no fault
  int signal = 0;      // the termination signal that stopped the work, or 0
  explicit operator bool() const { return !reason.empty(); }
  // "<path>: <reason>", the path as QuotedText shows it, never cut.
  std::string Text() const;
};

// A regular file open for reading, no larger than its kind's limit. Reads
// go by offset, so any number of them may be made in any order.
class FileToRead {
 public:
  FileToRead() = default;
  ~FileToRead();
  FileToRead(const FileToRead&) = delete;
  FileToRead& operator=(const FileToRead&) = delete;

  // Opens `path` without waiting on it. False, with Fault() saying why, when
  // it cannot be opened, is anything but a regular file, or is larger than
  // `limit`.
  bool Open(const std::string& path, const FileLimit& limit);
  // The size the file had when it was opened.
  uint64_t Size() const { return size_; }
  // Exactly `count` bytes at `offset`. False at the end of the file (with no
  // fault), on a read error, or when a termination signal interrupts it.
  bool ReadAt(uint64_t offset, void* dest, size_t count);
  // The whole file, read to its end whatever its size said (a file of the
  // system's, such as one under /proc, says 0), in blocks between which a
  // termination signal is looked for. A file that grew past its limit since
  // it was opened is refused like a larger one.
  bool ReadAll(std::string& bytes);
  const FileFault& Fault() const { return fault_; }

 private:
  bool Fail(std::string reason, int signal = 0);
  int fd_ = -1;
  uint64_t size_ = 0;
  FileLimit limit_{};
  FileFault fault_;
};

// Opens the file at `path` and reads it whole into `bytes`; false, with
// `fault` saying why.
bool ReadWholeFile(const std::string& path, const FileLimit& limit, std::string& bytes, FileFault& fault);

// What a file opened for writing may be: a regular file only, or also a
// pipe, a FIFO, a terminal or a device, as /dev/stdout may be.
enum class WriteTarget { FileOnly, AnyStream };

// A file open for writing, written in blocks. A write error (a full disc,
// a pipe whose reader has gone) is kept and reported by every later call.
class FileToWrite {
 public:
  FileToWrite() = default;
  // Closes without a word: call Close to learn whether all was written.
  ~FileToWrite();
  FileToWrite(const FileToWrite&) = delete;
  FileToWrite& operator=(const FileToWrite&) = delete;

  // Creates `path`, or empties the regular file there. False, with Fault()
  // saying why, when it cannot be, or when it is anything but a regular file
  // and `target` is FileOnly. A FIFO that is let through is waited on until
  // a reader opens it; a termination signal ends the wait.
  bool Open(const std::string& path, WriteTarget target);
  // Adds `text`; false once anything has failed.
  bool Write(std::string_view text);
  // Writes out what is held, so that a reader sees it now.
  bool Flush();
  // Writes out what is held and closes the file; false when any write or
  // the close failed (a full disc may show only here).
  bool Close();
  const FileFault& Fault() const { return fault_; }

 private:
  bool Fail(std::string reason, int signal = 0);
  int fd_ = -1;
  std::string held_;
  FileFault fault_;
};

}  // namespace kestrel::platform
