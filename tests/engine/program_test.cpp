// The routines the engine offers a program around its run: its scratch
// folder, finding its data, and ending it while a box is up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "../support/headless_fixture.h"
#include "../support/processes.h"
#include "../support/scoped_env.h"
#include "kestrel/data_files.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/termination.h"
#include "kestrel/program.h"
#include "kestrel/scratch.h"

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
    // Whatever code it is given (the display's loss gives 1).
    platform::EndAbruptly("morlo3: the display went away", 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 4);
  EXPECT_TRUE(scratch_.NothingLeft());
  EXPECT_EQ(ReadText("err.txt"), "morlo3: the display went away\n");
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
  // Found nowhere: the open's error, then every folder in the order searched,
  // then the advice when there is one.
  const std::string exe = fs::read_symlink("/proc/self/exe").parent_path().string();
  for (const std::string advice : {"", "Reinstalling puts it back."}) {
    try {
      OpenDataArchive("nowhere.kpk", installed, advice);
      ADD_FAILURE() << "no error";
    } catch (const FatalError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot open file nowhere.kpk: No such file or directory\n"
                "nowhere.kpk was looked for in these folders, in this order:\n  " +
                    scratch_.Path().string() + " (the current folder)\n  " + exe + "\n  " +
                    (fs::path(exe).parent_path() / "share/kestrel").string() + "\n  " + installed +
                    (advice.empty() ? "" : "\n" + advice));
    }
  }
}

// SIGINT, SIGTERM and SIGHUP end a clean run with 128 + their number, after
// its own clean-up; a run that is already failing keeps its own code; a
// signal while the start-up question is open ends the run there. Once
// cleared, a signal is forgotten. In a child, whose signals these are.
TEST_F(Program, ASignalGivesItsCodeToACleanEndOnly) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::CatchTerminationSignals();
    std::ofstream said("said.txt");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      ::raise(signal);
      said << platform::TerminationSignal() << ": " << FinalExitCode(0) << " " << FinalExitCode(1) << " "
           << FinalExitCode(2);
      platform::ClearTerminationSignal();
      said << ", cleared " << FinalExitCode(0) << "\n";
    }
    platform::HeadlessOptions o;
    o.answer = 1;
    platform::InstallDisplay(std::make_unique<platform::HeadlessDisplay>(o));
    ::raise(SIGTERM);
    try {
      AskYesNo("Do you want...", "Fullscreen?");
      said << "answered\n";
    } catch (const ProgramExit& e) {
      said << "question: " << e.Code() << "\n";
    }
    said.close();
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal it should have caught";
  std::ifstream in("said.txt");
  std::stringstream said;
  said << in.rdbuf();
  EXPECT_EQ(said.str(), "2: 130 1 2, cleared 0\n15: 143 1 2, cleared 0\n1: 129 1 2, cleared 0\nquestion: 143\n");
}

// Each variable as both backends read it: unset or empty is the default,
// any other value outside what it takes stops the program in one line.
TEST(Environment, EveryVariableTakesItsValuesAndNamesWhatItAccepts) {
  const char* const names[] = {"KESTREL_PLATFORM",      "KESTREL_ANSWER",        "KESTREL_DEPTH",  "KESTREL_MAX_FRAMES",
                               "KESTREL_CAPTURE_EVERY", "KESTREL_SOUND_VERSION", "KESTREL_PRESENT"};
  const struct {
    const char* name;
    const char* value;
    const char* use;  // what the message asks for; null: accepted
  } cases[] = {
      {"KESTREL_PLATFORM", "", nullptr},
      {"KESTREL_PLATFORM", "sdl", nullptr},
      {"KESTREL_PLATFORM", "Headless", "headless or sdl"},
      {"KESTREL_ANSWER", "", nullptr},
      {"KESTREL_ANSWER", "maybe", "yes or no"},
      {"KESTREL_DEPTH", "", nullptr},
      {"KESTREL_DEPTH", "15", nullptr},
      {"KESTREL_DEPTH", "8", "15, 16, 24 or 32"},
      {"KESTREL_MAX_FRAMES", "", nullptr},
      {"KESTREL_MAX_FRAMES", "0", nullptr},
      {"KESTREL_MAX_FRAMES", "-0", "a whole number of frames, 0 or more"},
      {"KESTREL_MAX_FRAMES", "12 ", "a whole number of frames, 0 or more"},
      {"KESTREL_CAPTURE_EVERY", "1", nullptr},
      {"KESTREL_CAPTURE_EVERY", "0", "a whole number of frames, 1 or more"},
      {"KESTREL_SOUND_VERSION", "", nullptr},
      {"KESTREL_SOUND_VERSION", "3.50", nullptr},
      {"KESTREL_SOUND_VERSION", "4", nullptr},
      {"KESTREL_SOUND_VERSION", ".5", "a version number such as 3.50"},
      {"KESTREL_SOUND_VERSION", "3.5.0", "a version number such as 3.50"},
      {"KESTREL_PRESENT", "", nullptr},
      {"KESTREL_PRESENT", "window", "surface or renderer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    std::vector<std::unique_ptr<ScopedEnv>> env;
    for (const char* name : names)
      env.push_back(std::make_unique<ScopedEnv>(name, std::string_view(name) == c.name ? c.value : nullptr));
    try {
      platform::CheckEnvironment();
      EXPECT_EQ(c.use, nullptr) << "accepted";
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()), std::string(c.name) + "=\"" + c.value + "\" is not understood: use " +
                                           (c.use ? c.use : "(nothing: it is accepted)"));
    }
  }
  // The values themselves: empty is none, numbers are exact.
  ScopedEnv frames("KESTREL_MAX_FRAMES", "0"), version("KESTREL_SOUND_VERSION", "3.50"), empty("KESTREL_ANSWER", "");
  EXPECT_EQ(platform::EnvWholeNumber("KESTREL_MAX_FRAMES", 0, 9, "x"), std::optional<int64_t>(0));
  EXPECT_EQ(platform::EnvDecimal("KESTREL_SOUND_VERSION"), std::optional<float>(3.5f));
  EXPECT_EQ(platform::EnvValue("KESTREL_ANSWER"), std::nullopt);
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
        // The box process says it is there once it runs: after what a fork
        // does for it, so the signal never comes before.
        if (::fork() == 0) {
          const pid_t self = ::getpid();
          if (::write(fds[1], &self, sizeof self) != sizeof self) ::_exit(12);
          for (;;) ::pause();
        }
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
  ASSERT_EQ(RunProcess(command), 3);
  std::vector<std::string> folders = ReadLines("said.txt");
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
