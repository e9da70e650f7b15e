// The routines the engine offers a program around its run: its scratch
// folder, finding its data, and ending it while a box is up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "../support/headless_fixture.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/termination.h"
#include "kestrel/program.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

class Program : public ::testing::Test {
 protected:
  void TearDown() override { RemoveScratchFolder(); }
  ScratchDir scratch_;
};

// A fresh folder under TMPDIR that only we may enter; a second one replaces
// the first; removing it takes what is inside, but nothing a link inside
// points at.
TEST_F(Program, TheScratchFolderIsFreshPrivateAndRemovedWithoutFollowingLinks) {
  const std::string first = MakeScratchFolder();
  EXPECT_EQ(fs::path(first).parent_path(), scratch_.Tmp());
  // Named after the program; StartProgram (not called here, it would catch
  // the test's own signals) names it.
  EXPECT_TRUE(fs::path(first).filename().string().starts_with("kestrel-")) << first;
  struct stat st {};
  ASSERT_EQ(::stat(first.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(ScratchFolder(), first);

  const std::string second = MakeScratchFolder();
  EXPECT_NE(second, first);
  EXPECT_FALSE(fs::exists(first));

  fs::create_directory("theirs");
  std::ofstream("theirs/keep.wav") << "theirs";
  fs::create_directory_symlink(scratch_.Path() / "theirs", fs::path(second) / "link");
  std::ofstream(fs::path(second) / "sofr.wav") << "ours";
  RemoveScratchFolder();
  EXPECT_FALSE(fs::exists(second));
  EXPECT_EQ(ScratchFolder(), "");
  EXPECT_TRUE(fs::exists("theirs/keep.wav"));
  EXPECT_TRUE(scratch_.NothingLeft());
  RemoveScratchFolder();  // again: nothing happens
}

// A library may end the process with exit() behind the engine's back, as
// Xlib does on a fatal X error: the folder still goes.
TEST_F(Program, AnExitFromALibraryStillRemovesTheFolder) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string folder = MakeScratchFolder();
    std::ofstream(fs::path(folder) / "vento.wav") << "x";
    std::exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(scratch_.NothingLeft());
}

// When even the exit handlers may not run (the display's connection is gone
// and any of them could wait on it), the abrupt end still removes the folder
// and says why in one line.
TEST_F(Program, AnAbruptEndRemovesTheFolderAndSaysWhy) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(err, STDERR_FILENO);
    const std::string folder = MakeScratchFolder();
    std::ofstream(fs::path(folder) / "vento.wav") << "x";
    // Stands for the window's destructor, which would wait on the dead
    // connection: it must not run.
    std::atexit([] {
      const char said[] = "exit handlers ran\n";
      (void)!::write(STDERR_FILENO, said, sizeof said - 1);
      ::_exit(3);
    });
    platform::EndAbruptly("morlo3: the display went away", 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(scratch_.NothingLeft());
  std::ifstream in("err.txt");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "morlo3: the display went away\n");
}

// One file at a time, and only inside the folder.
TEST_F(Program, OnlyFilesInsideTheScratchFolderAreDeleted) {
  std::ofstream("outside.wav") << "x";
  EXPECT_FALSE(RemoveScratchFile("outside.wav")) << "no folder yet";
  const fs::path folder = MakeScratchFolder();
  std::ofstream(folder / "osso.wav") << "x";
  for (const char* name : {"../outside.wav", "", ".", "..", "a/osso.wav"})
    EXPECT_FALSE(RemoveScratchFile(name)) << name;
  EXPECT_TRUE(RemoveScratchFile("osso.wav"));
  EXPECT_FALSE(RemoveScratchFile("osso.wav"));
  EXPECT_TRUE(fs::exists("outside.wav"));
}

// A TMPDIR that cannot take a folder is a clear error, not a folder elsewhere.
TEST_F(Program, AnUnusableTmpdirIsAnError) {
  ::setenv("TMPDIR", (scratch_.Path() / "missing").c_str(), 1);
  try {
    MakeScratchFolder();
    ADD_FAILURE() << "no error";
  } catch (const FatalError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create a scratch folder in " + (scratch_.Path() / "missing").string() +
                                         ": No such file or directory");
  }
  EXPECT_EQ(ScratchFolder(), "");
}

// The current folder first, then the installed folder; a name found nowhere
// comes back as it is, for the open to report.
TEST_F(Program, DataIsFoundInTheCurrentFolderFirst) {
  fs::create_directory("installed");
  std::ofstream("installed/only-installed.kpk") << "x";
  std::ofstream("installed/both.kpk") << "x";
  std::ofstream("both.kpk") << "x";
  const std::string installed = (scratch_.Path() / "installed").string();
  EXPECT_EQ(FindDataFile("both.kpk", installed), "both.kpk");
  EXPECT_EQ(FindDataFile("only-installed.kpk", installed), installed + "/only-installed.kpk");
  EXPECT_EQ(FindDataFile("nowhere.kpk", installed), "nowhere.kpk");
  EXPECT_EQ(FindDataFile("nowhere.kpk", ""), "nowhere.kpk");
  // Found nowhere: the folders end the message, then the advice when given.
  for (const std::string advice : {"", "Reinstalling puts it back."}) {
    try {
      OpenDataArchive("nowhere.kpk", installed, advice);
      ADD_FAILURE() << "opened";
    } catch (const std::exception& e) {
      EXPECT_TRUE(std::string(e.what()).ends_with("\n  " + installed + (advice.empty() ? "" : "\n" + advice)))
          << e.what();
    }
  }
}

// While a message box holds the thread, a termination signal ends the
// process at once with 128 + the signal, and a process it forked meanwhile
// (SDL shows a box from one) goes with it; one noted before the box ends it
// before any box. Each case runs in a process of its own, which adopts the
// orphaned box process to see how it ended.
TEST_F(Program, ASignalWhileABoxIsUpEndsTheProgramAndItsBoxAtOnce) {
  for (bool signalledFirst : {false, true}) {
    SCOPED_TRACE(signalledFirst ? "noted before the box" : "while the box is up");
    std::fflush(nullptr);
    const pid_t outer = ::fork();
    if (outer == 0) {
      ::alarm(20);  // only ends a hang
      ::prctl(PR_SET_CHILD_SUBREAPER, 1);
      int fds[2];
      if (::pipe(fds) != 0) ::_exit(10);
      const pid_t game = ::fork();
      if (game == 0) {
        platform::CatchTerminationSignals();
        if (signalledFirst) ::raise(SIGTERM);
        const platform::EndAtOnceOnSignal box;
        if (signalledFirst) ::_exit(11);
        const pid_t helper = ::fork();
        if (helper == 0)
          for (;;) ::pause();
        if (::write(fds[1], &helper, sizeof helper) != sizeof helper) ::_exit(12);
        for (;;) ::pause();
      }
      int status = 0;
      if (signalledFirst) {
        ::waitpid(game, &status, 0);
        ::_exit(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM ? 0 : 1);
      }
      pid_t helper = 0;
      if (::read(fds[0], &helper, sizeof helper) != sizeof helper) ::_exit(13);
      ::kill(game, SIGTERM);
      ::waitpid(game, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 128 + SIGTERM) ::_exit(1);
      ::waitpid(helper, &status, 0);
      ::_exit(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(outer, &status, 0), outer);
    ASSERT_TRUE(WIFEXITED(status)) << "hung";
    // 1: the program did not end with 128 + the signal; 2: the box outlived it.
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
}

// The suite runs in a home of its own: whatever a run writes into its home,
// its settings, its runtime folder or TMPDIR stays out of the caller's home
// and is gone afterwards, and the run's exit code comes through.
TEST_F(Program, ARunInAFreshHomeCannotWriteIntoTheRealOne) {
  const fs::path home = scratch_.Path() / "home";
  fs::create_directory(home);
  const std::string probe =
      "for v in HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_CACHE_HOME TMPDIR XDG_RUNTIME_DIR; do"
      "  eval d=\\$$v; mkdir -p \"$d/pulse\" && echo x >\"$d/pulse/cookie\" && echo \"$d\" || exit 9; done;"
      " stat -c %a \"$XDG_RUNTIME_DIR\"; exit 3";
  const std::string command =
      "env -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR -u XDG_DATA_HOME -u XDG_STATE_HOME "
      "-u XDG_CACHE_HOME HOME=" +
      home.string() + " " KESTREL_SOURCE_DIR "/tests/support/fresh_home.sh sh -c '" + probe + "' >said.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  std::ifstream said("said.txt");
  std::vector<std::string> folders;
  for (std::string line; std::getline(said, line);) folders.push_back(line);
  ASSERT_EQ(folders.size(), 8u);
  EXPECT_EQ(folders.back(), "700") << "the runtime folder must be private";
  folders.pop_back();
  const fs::path scratch = fs::path(folders[0]).parent_path();
  for (const std::string& folder : folders) {
    EXPECT_EQ(fs::path(folder).parent_path(), scratch) << folder;
    EXPECT_FALSE(fs::exists(folder)) << folder << " is left";
  }
  EXPECT_FALSE(fs::exists(scratch));
  EXPECT_TRUE(fs::is_empty(home)) << "the run wrote into the caller's home";
}

}  // namespace
}  // namespace kestrel::testing
