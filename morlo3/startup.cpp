#include "morlo3/startup.h"

#include <cstdio>
#include <exception>

#include "kestrel/colour.h"
#include "kestrel/data_files.h"
#include "kestrel/error.h"
#include "kestrel/program.h"
#include "kestrel/scratch.h"
#include "morlo3/icon.h"
#include "morlo3/installation.h"
#include "morlo3/language.h"
#include "morlo3/menu.h"
#include "morlo3/screens.h"
#include "morlo3/settings/command_line.h"
#include "morlo3/settings/texts.h"
#include "morlo3/shutdown.h"
#include "morlo3/version.h"

namespace morlo3 {

using namespace kestrel;

std::string ScratchPath(const GameState& g, const std::string& fileName) { return g.ScratchFolder + "/" + fileName; }

void SetUpColours(GameState& g) {
  TKestrel& d = *g.Display;
  g.ColourKey = d.MakeColor(232, 252, 252);
  g.TextColour = d.MakeColor(244, 244, 240);
  g.StoryColour2 = d.MakeColor(232, 232, 252);
  g.StoryColour3 = d.MakeColor(216, 216, 248);
  g.StoryColour4 = d.MakeColor(200, 200, 252);
  g.CreditsHeadingColour = d.MakeColor(0, 0, 212);
  g.CreditsNameColour = d.MakeColor(0, 0, 128);
  g.HighlightColour = d.MakeColor(244, 244, 220);
  g.MaskStop = d.MakeColor(44, 68, 132);
  g.MaskPushLeft = d.MakeColor(124, 0, 0);
  g.MaskPushRight = d.MakeColor(252, 216, 112);
  g.MaskGround = d.MakeColor(248, 168, 72);
}

void FillPoseTables(GameState& g) {
  for (int i = 0; i < 26; ++i) {
    g.WalkPoses[size_t(i)] = i <= 7 ? 3 : i <= 16 ? 4 : 5;
    g.WalkFirePoses[size_t(i)] = i <= 7 ? 6 : i <= 16 ? 7 : 8;
  }
}

void LoadingStep(GameState& g) {
  if (!g.Display->PumpMessage()) ShutdownAndExit(g);
  g.LoadProgress += 7;
  g.LoadBar->DrawRectKeyed(*g.Screen, 0, 0, g.LoadProgress, 58, 128, 136, g.ColourKey);
  g.Screen->Present(true);
}

void LoadSounds(GameState& g) {
  LoadingStep(g);
  // A folder of our own for this run, never the player's "temp": nothing of
  // theirs is overwritten or deleted, and two copies of the game do not meet.
  g.ScratchFolder = MakeScratchFolder();
  for (int slot = 1; slot < kSoundSlots; ++slot) {
    const std::string path = ScratchPath(g, SoundFiles[size_t(slot)]);
    // A missing entry is not checked here: the sound reports the missing file.
    g.Archive->ExtractFile(SoundFiles[size_t(slot)], path);
    g.Sounds[size_t(slot)] = std::make_unique<TSound64>(*g.Display, path, slot == kLoopingSlot);
    LoadingStep(g);
  }
}

void Run(GameState& g) {
  g.LoadProgress = 0;
  // A language without its texts ends the run before a window opens.
  LoadLanguage(kInstalledLocaleFolder);
  g.FullScreen = AskYesNo("Do you want...", "Fullscreen?");
  if (g.FullScreen) g.Display = std::make_unique<TSelfFullKestrel>(320, 200, 16, kCaption);
  else g.Display = std::make_unique<TSelfExKestrel>(640, 400, kCaption, 256);
  SetUpColours(g);
  g.Archive = OpenDataArchive(kArchiveName, kInstalledDataFolder, kMissingDataAdvice);

  TKestrel& d = *g.Display;
  g.LoadBackground = std::make_unique<TBuffer64>(d, 320, 200, false);
  g.LoadBar = std::make_unique<TBuffer64>(d, 185, 58, false);
  g.Screen = std::make_unique<TBuffer64>(d, 320, 200, false);
  g.Screen->SetFont("Times New Roman", 15);
  g.LoadBackground->LoadKPKImage(*g.Archive, "load.jpg", false);
  g.LoadBar->LoadKPKImage(*g.Archive, "load2.png", false);
  g.LoadBackground->Draw(*g.Screen, 0, 0);
  g.Screen->Present(true);
  g.Input = std::make_unique<TInput64>(d.Handle);

  g.SpriteSheet = std::make_unique<TBuffer64>(d, 1024, 768, false);
  LoadingStep(g);
  g.BackdropSheet = std::make_unique<TBuffer64>(d, 969, 1420, false);
  LoadingStep(g);
  g.StageSheet = std::make_unique<TBuffer64>(d, 1005, 3644, false);
  LoadingStep(g);
  g.Backdrop = std::make_unique<TBuffer64>(d, 320, 200, false);
  LoadingStep(g);
  g.PlayerCanvas = std::make_unique<TBuffer64>(d, 30, 34, false);
  LoadingStep(g);
  LoadingStep(g);

  g.SpriteSheet->LoadKPKImage(*g.Archive, "sprites.png", false);
  g.SpriteSheet->MakeWindowIcon(kIconCutX1, kIconCutY1, kIconCutX2, kIconCutY2, g.ColourKey,
                                uint32_t(kIconSky[0]) << 16 | uint32_t(kIconSky[1]) << 8 | kIconSky[2], kIconArt);
  LoadingStep(g);
  g.BackdropSheet->LoadKPKImage(*g.Archive, BackdropSheetEntry(Language()), false);
  LoadingStep(g);
  g.StageSheet->LoadKPKImage(*g.Archive, "niveis.png", false);
  LoadingStep(g);
  LoadingStep(g);

  for (auto& slot : g.Sounds) slot.reset();
  LoadSounds(g);

  g.Speed = 0;
  g.Difficulty = 0;
  g.SoundOn = 1;
  FillPoseTables(g);

  StoryIntro(g);
  // The menu returns when the player leaves the game by "Sair".
  MainMenu(g);
  ShutdownAndExit(g);
}

int Main(const std::vector<std::string>& args) {
  const CommandLine commandLine = ParseCommandLine(args);
  switch (commandLine.ask) {
    case CommandLine::Ask::Bad: std::fprintf(stderr, "morlo3: %s (try --help)\n", commandLine.error.c_str()); return 2;
    case CommandLine::Ask::Help: std::fputs(HelpText().c_str(), stdout); return 0;
    case CommandLine::Ask::Version: std::printf("morlo3 %s\n", kVersion); return 0;
    case CommandLine::Ask::PrintConfig: std::fputs(PrintConfigText().c_str(), stdout); return 0;
    case CommandLine::Ask::Play: break;
  }
  // A bad line of the settings file is one line here, and the game goes on.
  std::vector<std::string> problems;
  std::string error;
  const PlayerSettings settings = SettingsForRun(commandLine, problems, error);
  for (const std::string& p : problems) std::fprintf(stderr, "morlo3: %s\n", p.c_str());
  if (!error.empty()) {
    std::fprintf(stderr, "morlo3: %s (try --help)\n", error.c_str());
    return 2;
  }
  Settings run = settings.record;
  run.programName = kProgramName;
  run.windowClass = kDesktopId;
  GameState game;
  try {
    StartProgram(run);
    Run(game);
  } catch (const ProgramExit& e) {
    return FinalExitCode(e.Code());
  } catch (...) {
    return HandleTopLevelException();
  }
}

}  // namespace morlo3
