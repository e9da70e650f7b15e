// Plays a whole game headless with the automatic player, writes what it did
// as a KESTREL_INPUT script and prints how it went. Run it where data.kpk is.
//   autoplay [--hard] [--script FILE] [--framelog FILE] [--delay N] [--quiet] [--depth D] [--verbose]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/autoplay/play.h"

int main(int argc, char** argv) {
  autoplay::RunOptions options;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--hard") options.bot.difficulty = 1;
    else if (a == "--normal") options.bot.difficulty = 0;
    else if (a == "--script") script = value();
    else if (a == "--framelog") options.frameLog = value();
    else if (a == "--delay") options.bot.startDelay = std::atoi(value().c_str());
    else if (a == "--quiet") options.bot.soundOff = true;
    else if (a == "--depth") options.depth = std::atoi(value().c_str());
    else if (a == "--verbose") options.bot.verbose = true;
    else {
      std::fprintf(stderr,
                   "usage: autoplay [--hard] [--script FILE] [--framelog FILE] [--delay N] "
                   "[--quiet] [--depth D] [--verbose]\n");
      return 2;
    }
  }
  const autoplay::RunResult r = autoplay::PlayWholeGame(options);
  std::fputs(autoplay::Summary(r).c_str(), stdout);
  if (!script.empty()) {
    const std::string level = options.bot.difficulty == 1 ? "hard" : "normal";
    std::ofstream out(script);
    out << autoplay::ScriptText(r.recording, "The automatic player's whole game at " + level +
                                                 " difficulty, made by tools/autoplay.\n"
                                                 "Replay: KESTREL_PLATFORM=headless KESTREL_ANSWER=no "
                                                 "KESTREL_INPUT=<this file> morlo3");
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", script.c_str());
      return 1;
    }
  }
  return r.Won() ? 0 : 1;
}
