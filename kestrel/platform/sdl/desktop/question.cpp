// The start-up question: a message box, shown from a helper process until
// our own connection to the display is open, else asked on the terminal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "kestrel/platform/sdl/sdl_display_impl.h"
#include "kestrel/platform/sdl/sdl_display_lost.h"
#include "kestrel/platform/termination.h"

namespace kestrel::platform {

namespace {

// The question in a message box: 1 for Yes, 0 for No, -1 when no box can
// be shown. A termination signal meanwhile ends the process and the box.
int AskInABox(SDL_Window* parent, const std::string& title, const std::string& message) {
  const EndAtOnceOnSignal endsAtOnce;
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
  };
  const SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                               parent,
                               title.c_str(),
                               message.c_str(),
                               2,
                               buttons,
                               nullptr};
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) return -1;
  return chosen == 1 ? 1 : 0;
}

// The question on the terminal; the safe No without one. A termination
// signal ends the wait for a line (the handlers do not restart it).
bool AskOnTerminal(const std::string& title, const std::string& message) {
  if (!isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "%s\n%s [y/N] ", title.c_str(), message.c_str());
  std::fflush(stderr);
  char line[64] = {};
  if (!std::fgets(line, sizeof line, stdin)) return false;
  const char* p = line;
  while (*p == ' ' || *p == '\t') ++p;
  return *p == 'y' || *p == 'Y';
}

// The box in a helper process: -1 when it cannot be shown, else the answer.
// A termination signal takes the helper down with its box.
int AskInAHelper(const std::string& title, const std::string& message) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return AskInABox(nullptr, title, message);
  const pid_t parent = ::getpid();
  const pid_t helper = ::fork();
  if (helper < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return AskInABox(nullptr, title, message);
  }
  if (helper == 0) {
    // A group of its own: SDL may show the box from a process of its own,
    // and the whole group goes when the box must.
    ::setpgid(0, 0);
    EndWithParent();
    if (::getppid() != parent) ::_exit(1);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
    ::close(fds[0]);
    EndQuietlyWhenTheDisplayGoes();
    const int answer = AskInABox(nullptr, title, message);
    const char c = answer < 0 ? '-' : answer == 1 ? 'y' : 'n';
    ssize_t ignored = ::write(fds[1], &c, 1);
    (void)ignored;
    ::_exit(0);
  }
  ::setpgid(helper, helper);
  ::close(fds[1]);
  char c = 'n';
  for (;;) {
    if (TerminationSignal() != 0) {
      ::kill(-helper, SIGKILL);
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready > 0) {
      if (::read(fds[0], &c, 1) != 1) c = 'n';
      break;
    }
    if (ready < 0 && errno != EINTR) break;
  }
  ::close(fds[0]);
  while (::waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
  }
  return c == '-' ? -1 : c == 'y' ? 1 : 0;
}

}  // namespace

bool SdlDisplay::AskYesNo(const std::string& caption, const std::string& text) {
  if (const int answer = AnswerFromEnvironment(); answer >= 0) return answer == 1;
  const std::string title = ToUtf8(caption), message = ToUtf8(text);
  // A message box keeps the thread that shows it until it is answered, and a
  // termination signal could not take it down: a helper process shows it.
  // Once our own connection to the display is open, a second process must
  // not share it, and the box is shown here.
  const int answer = impl_->videoOk ? AskInABox(window_, title, message) : AskInAHelper(title, message);
  if (answer >= 0) return answer == 1;
  if (TerminationSignal() != 0) return false;
  // No message box on this machine: ask on the terminal.
  return AskOnTerminal(title, message);
}
void EndWithParent() { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }

}  // namespace kestrel::platform
