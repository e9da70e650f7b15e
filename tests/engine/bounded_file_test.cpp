// The one way the program opens what a player names: each kind of path
// that is no file to read, as every reader refuses it; what is read and
// written; and a player's text as a message quotes it.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../support/scratch_dir.h"
#include "kestrel/catalogue.h"
#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/bounded_file.h"
#include "kestrel/platform/quoted_text.h"
#include "kestrel/platform/termination.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;
using platform::FileToWrite, platform::WriteTarget;

// What `f` returns when run in a child process; as root the child first
// becomes "nobody", whom permission bits stop. The child ends within ten
// seconds whatever `f` does.
std::string InChild(const std::function<std::string()>& f, bool ordinaryUser) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(10);
    const bool dropped = !ordinaryUser || ::geteuid() != 0 ||
                         (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
    const std::string said = dropped ? f() : "could not become nobody";
    (void)!::write(out[1], said.data(), said.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string said;
  char block[256];
  for (ssize_t n; (n = ::read(out[0], block, sizeof block)) > 0;) said.append(block, size_t(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? said : "the child was killed by signal " + std::to_string(WTERMSIG(status));
}

// Each reader's message for `path`, a line each: the plain read, the
// archive, the catalogue, and a write ("" when the file opened).
std::string Messages(const std::string& path) {
  std::string bytes, error;
  platform::FileFault fault;
  std::string said = platform::ReadWholeFile(path, platform::kSettingsFileLimit, bytes, fault) ? "" : fault.Text();
  try {
    TKPK archive(path);
    said += "\n";
  } catch (const FatalError& e) {
    said += std::string("\n") + e.what();
  }
  said += "\n" + (TCatalogue().Load(path, error) ? "" : error);
  FileToWrite out;
  return said + "\n" + (out.Open(path, WriteTarget::FileOnly) ? "" : out.Fault().Text());
}

TEST(BoundedFiles, EveryReaderRefusesWhatIsNoFileAndSaysWhy) {
  ScratchDir scratch;
  ASSERT_EQ(::chmod(".", 0711), 0);  // "nobody" may pass through to the locked file
  std::ofstream("plain") << "x";
  ASSERT_EQ(::mkfifo("fifo", 0600), 0);
  fs::create_symlink("loop", "loop");
  std::ofstream("large").close();
  fs::resize_file("large", (uint64_t(256) << 20) + 1);  // sparse: it takes no room
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{AF_UNIX, "socket"};
  ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  std::ofstream("locked") << "x";
  ASSERT_EQ(::chmod("locked", 0), 0);
  struct Row {
    const char* path;
    const char* reading;  // '%' stands for the reader's limit
    const char* writing;  // "" when it may be written
  };
  const Row rows[] = {
      {"missing", "No such file or directory", ""},
      {".", "it is a directory", "it is a directory"},
      {"fifo", "it is a named pipe, not a file", "it is a named pipe, not a file"},
      {"/dev/zero", "it is a device, not a file", "it is a device, not a file"},
      {"loop", "Too many levels of symbolic links", "Too many levels of symbolic links"},
      {"socket", "it is a socket, not a file", "it is a socket, not a file"},
      {"plain/x", "Not a directory", "Not a directory"},
      {"large", "it is larger than %", ""},
      {"locked", "Permission denied", "Permission denied"},
  };
  // The plain read (for a settings file), the archive, the catalogue.
  const std::pair<const char*, const char*> readers[] = {{"", "256 KiB, the limit for a settings file"},
                                                         {"Cannot open file ", "256 MiB, the limit for an archive"},
                                                         {"", "4 MiB, the limit for a catalogue"}};
  for (const Row& r : rows) {
    std::string expected;
    for (const auto& [before, limit] : readers) {
      std::string reason = r.reading;
      if (const size_t at = reason.find('%'); at != std::string::npos) reason.replace(at, 1, limit);
      expected += before + std::string(r.path) + ": " + reason + "\n";
    }
    expected += *r.writing ? r.path + std::string(": ") + r.writing : "";
    EXPECT_EQ(InChild([&] { return Messages(r.path); }, r.path == std::string("locked")), expected) << r.path;
  }
  ::close(socket);
}

TEST(BoundedFiles, ReadsToTheEndWithinTheLimitAndWritesOrSaysWhy) {
  ScratchDir scratch;
  const platform::FileLimit limit{16, "a test"};
  std::string bytes;
  platform::FileFault fault;
  std::ofstream("sixteen") << "0123456789abcdef";
  EXPECT_EQ(platform::ReadWholeFile("sixteen", limit, bytes, fault) ? bytes : fault.Text(), "0123456789abcdef");
  std::ofstream("sixteen", std::ios::app) << "!";
  EXPECT_FALSE(platform::ReadWholeFile("sixteen", limit, bytes, fault));
  EXPECT_EQ(fault.Text(), "sixteen: it is larger than 16 bytes, the limit for a test");
  // A path is shown clean, and whole however long.
  EXPECT_FALSE(platform::ReadWholeFile(std::string(90, 'n') + "\x1B[2J", limit, bytes, fault));
  EXPECT_EQ(fault.Text(), std::string(90, 'n') + "\\x1B[2J: No such file or directory");
  // A file of the system's says it is empty, and is read to its end all the
  // same; past the limit it is refused as it goes.
  EXPECT_TRUE(platform::ReadWholeFile("/proc/self/status", platform::kSettingsFileLimit, bytes, fault) &&
              bytes.starts_with("Name:"));
  EXPECT_FALSE(platform::ReadWholeFile("/proc/self/status", limit, bytes, fault));
  EXPECT_EQ(fault.reason, "it is larger than 16 bytes, the limit for a test");
  EXPECT_EQ(bytes, "");
  // The first four bytes already show this is no catalogue.
  std::ofstream("text") << "not a catalogue at all";
  std::string error;
  EXPECT_FALSE(TCatalogue().Load("text", error));
  EXPECT_EQ(error, "text: not a compiled catalogue (no .mo magic number)");

  // A longer file is emptied first; a device is taken when asked for, and
  // a full one fails when the held text reaches it.
  FileToWrite out;
  ASSERT_TRUE(out.Open("text", WriteTarget::FileOnly));
  EXPECT_TRUE(out.Write("new"));
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(platform::ReadWholeFile("text", limit, bytes, fault) ? bytes : fault.Text(), "new");
  ASSERT_TRUE(out.Open("/dev/full", WriteTarget::AnyStream));
  EXPECT_TRUE(out.Write("lost"));
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(out.Fault().Text(), "/dev/full: No space left on device");
  EXPECT_FALSE(out.Write("more"));
}

// A FIFO that is let through waits for its reader, but a termination signal
// ends the wait, whether it comes before the wait or during it.
TEST(BoundedFiles, ASignalEndsTheWaitForAReader) {
  ScratchDir scratch;
  ASSERT_EQ(::mkfifo("log", 0600), 0);
  const std::string said = InChild(
      [] {
        platform::CatchTerminationSignals();
        if (::fork() == 0) {
          ::usleep(100000);
          ::kill(::getppid(), SIGTERM);
          ::_exit(0);
        }
        FileToWrite out;
        if (out.Open("log", WriteTarget::AnyStream)) return std::string("opened");
        return out.Fault().Text() + " (signal " + std::to_string(out.Fault().signal) + ")";
      },
      false);
  EXPECT_EQ(said, "log: stopped, as the program was asked to end (signal 15)");
}

TEST(QuotedText, ShowsWhatATerminalWouldHideOrObey) {
  const std::pair<std::string, std::string> rows[] = {
      {"language = en", "language = en"},
      {"Opções \xF0\x9F\x90\x80", "Opções \xF0\x9F\x90\x80"},       // kept as it is
      {"\x1B]0;title\x07 \x1B[2J", "\\x1B]0;title\\x07 \\x1B[2J"},  // escapes
      {std::string("2\0junk", 6), "2\\x00junk"},
      {"a\tb\r\x7F", "a\\x09b\\x0D\\x7F"},
      // Invisible: zero-width space, byte-order mark, right-to-left override,
      // no-break space, a C1 control, a tag.
      {"en\xE2\x80\x8B", "en\\u{200B}"},
      {"\xEF\xBB\xBFz\xE2\x80\xAEy\xC2\xA0\xC2\x85\xF3\xA0\x81\x81", "\\u{FEFF}z\\u{202E}y\\u{A0}\\u{85}\\u{E0041}"},
      // Not UTF-8: cut short, overlong, a surrogate, past U+10FFFF, a stray
      // continuation byte; each byte on its own.
      {"\xE2\x82z\xC3", "\\xE2\\x82z\\xC3"},
      {"\xC0\xAF\xED\xA0\x80", "\\xC0\\xAF\\xED\\xA0\\x80"},
      {"\xF4\x90\x80\x80\x80", "\\xF4\\x90\\x80\\x80\\x80"},
      // 80 characters are shown whole; more end in "…" at the 80th.
      {std::string(80, 'a'), std::string(80, 'a')},
      {std::string(81, 'a'), std::string(79, 'a') + "\xE2\x80\xA6"},
      {std::string(78, 'a') + "\x01", std::string(78, 'a') + "\xE2\x80\xA6"},
      {std::string(10 << 20, 'x'), std::string(79, 'x') + "\xE2\x80\xA6"},
  };
  for (const auto& [text, shown] : rows) EXPECT_EQ(platform::QuotedText(text), shown) << shown;
}

}  // namespace
}  // namespace kestrel::testing
