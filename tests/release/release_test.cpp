// The Debian package as a player gets it. CTest's release_package step
// builds it with CPack before these run; each test opens that .deb: its
// control fields and files, the installed game playing a saved game to the
// credits from an unpacked root, the checkers Debian and desktops use on its
// metadata and manual pages, and the icons. Every tool a check needs is
// installed by test.sh; a missing one fails the check, never skips it.
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../support/headless_fixture.h"
#include "../support/scoped_env.h"
#include "morlo3/version.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kAppId = "net.kestrelengine.Morlo3";
const fs::path kPackageDir = fs::path(KESTREL_BINARY_DIR) / "tests" / "package";
const fs::path kSource = KESTREL_SOURCE_DIR;

struct Outcome {
  int code = -1;
  std::string out;  // standard output and standard error together
};

Outcome RunCommand(const std::string& command) {
  Outcome r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

void RequireTool(const std::string& tool, const std::string& package) {
  ASSERT_EQ(RunCommand("command -v " + tool).code, 0) << tool << " is missing: apt-get install " << package;
}

fs::path Deb() { return kPackageDir / ("morlo3_" + std::string(morlo3::kVersion) + "_amd64.deb"); }

// The package unpacked with dpkg -x into a folder of the test's own. Its game
// takes an empty folder of the test's for "/" when it looks in the folders
// built into it, so that a copy installed on this machine is never found.
class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(Deb())) << Deb() << " is missing: the release_package step of ctest makes it";
    RequireTool("dpkg-deb", "dpkg");
  }
  fs::path Unpack() {
    const fs::path root = scratch_.Path() / "root";
    const Outcome r = RunCommand("dpkg -x " + Deb().string() + " " + root.string());
    EXPECT_EQ(r.code, 0) << r.out;
    return root;
  }
  ScratchDir scratch_;
  const fs::path machine_ = scratch_.Path() / "machine";
  ScopedEnv machineRoot_{"KESTREL_TEST_ROOT", machine_.string()};
};

std::map<std::string, std::string> ControlFields() {
  std::map<std::string, std::string> fields;
  std::istringstream in(RunCommand("dpkg-deb -f " + Deb().string()).out);
  std::string line, last;
  for (; std::getline(in, line);) {
    if (line.empty()) continue;
    if (line[0] == ' ') {
      fields[last] += "\n" + line;
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    last = line.substr(0, colon);
    fields[last] = line.substr(colon + 2);
  }
  return fields;
}

TEST_F(Package, ControlFieldsNameTheGameItsVersionAndTheLibrariesItsProgramsUse) {
  auto f = ControlFields();
  EXPECT_EQ(f["Package"], "morlo3");
  // The same version the game prints, from the one place the build keeps it.
  EXPECT_EQ(f["Version"], morlo3::kVersion);
  EXPECT_EQ(f["Architecture"], "amd64");
  EXPECT_EQ(f["Section"], "games");
  EXPECT_EQ(f["Priority"], "optional");
  EXPECT_NE(f["Maintainer"].find('<'), std::string::npos) << f["Maintainer"];
  EXPECT_FALSE(f["Installed-Size"].empty());
  EXPECT_TRUE(f["Description"].starts_with("side-view action game")) << f["Description"];
  // Found from the binaries: each library package with the least version
  // that has what they call, and the font the text is drawn in.
  const std::string depends = f["Depends"];
  for (const char* lib : {"libc6 (>=", "libstdc++6 (>=", "libsdl2-2.0-0 (>=", "libsdl2-mixer-2.0-0 (>=",
                          "libsdl2-ttf-2.0-0 (>=", "libpng16-16 (>=", "libjpeg62-turbo (>=", "libfontconfig1 (>=",
                          "libdeflate0 (>=", "zlib1g (>=", "libinih1 (>=", "fonts-liberation"})
    EXPECT_NE(depends.find(lib), std::string::npos) << lib << " not in: " << depends;
}

TEST_F(Package, HoldsExactlyTheGameItsDataAndItsDesktopFilesAllOwnedByRoot) {
  std::set<std::string> files;
  std::istringstream in(RunCommand("dpkg-deb -c " + Deb().string()).out);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string mode, owner, size, date, time, path;
    fields >> mode >> owner >> size >> date >> time >> path;
    EXPECT_EQ(owner, "root/root") << line;
    if (mode[0] == 'd') {
      EXPECT_EQ(mode, "drwxr-xr-x") << line;
      continue;
    }
    const bool program = path.starts_with("./usr/games/");
    EXPECT_EQ(mode, program ? "-rwxr-xr-x" : "-rw-r--r--") << line;
    files.insert(path.substr(2));
  }
  std::set<std::string> expected = {
      "usr/games/morlo3",
      "usr/games/morlo3-kpk",
      "usr/share/morlo3/data.kpk",
      "usr/share/locale/en/LC_MESSAGES/morlo3.mo",
      "usr/share/applications/" + kAppId + ".desktop",
      "usr/share/metainfo/" + kAppId + ".metainfo.xml",
      "usr/share/man/man6/morlo3.6.gz",
      "usr/share/man/man1/morlo3-kpk.1.gz",
      "usr/share/doc/morlo3/copyright",
      "usr/share/doc/morlo3/changelog.gz",
  };
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const std::string s = std::to_string(size);
    expected.insert("usr/share/icons/hicolor/" + s + "x" + s + "/apps/" + kAppId + ".png");
  }
  EXPECT_EQ(files, expected);
}

// Unpacked anywhere, the installed program finds its data by its own place,
// plays a saved game from the story to the credits, and "Sair" ends it.
TEST_F(Package, TheInstalledGamePlaysASavedGameToTheCreditsFromAnyFolder) {
  const fs::path root = Unpack();
  const fs::path game = root / "usr/games/morlo3";
  ASSERT_TRUE(fs::exists(game));
  EXPECT_EQ(RunCommand(game.string() + " --version").out, "morlo3 " + std::string(morlo3::kVersion) + "\n");
  // The archive tool goes by its installed name.
  const Outcome tool = RunCommand((root / "usr/games/morlo3-kpk").string() + " --help");
  EXPECT_EQ(tool.code, 0);
  EXPECT_TRUE(tool.out.starts_with("usage: morlo3-kpk list ARCHIVE\n       morlo3-kpk extract")) << tool.out;

  // The golden file of the replay names the frames and how many there are.
  std::ifstream golden(kSource / "tests/replays/normal.golden");
  std::map<std::string, std::string> hashes;
  std::string credits, frames;
  for (std::string line; std::getline(golden, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string first, hash, what;
    in >> first >> hash;
    std::getline(in, what);
    if (first == "frames") frames = hash;
    else hashes[first] = hash;
    if (what == " credits") credits = first;
  }
  ASSERT_FALSE(frames.empty());
  ASSERT_FALSE(credits.empty()) << "the golden file shows no credits";

  fs::create_directory("elsewhere");
  const auto play = [&](const std::string& log, const std::string& args, std::map<std::string, std::string>& seen) {
    const Outcome r =
        RunCommand("cd elsewhere && KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_MAX_FRAMES=" +
                   std::to_string(std::stoul(frames) + 100) + " KESTREL_FRAMELOG=" + log +
                   " KESTREL_INPUT=" + (kSource / "tests/replays/normal.input").string() + " " + game.string() + args);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "") << args;
    std::ifstream in(log);
    size_t count = 0;
    for (std::string number, hash; in >> number >> hash; ++count) seen[number] = hash;
    EXPECT_EQ(count, std::stoul(frames)) << args;
  };
  std::map<std::string, std::string> seen, english;
  play((scratch_.Path() / "frames.txt").string(), "", seen);
  EXPECT_EQ(seen[credits], hashes[credits]) << "frame " << credits << " should show the credits";
  for (const auto& [number, hash] : hashes) EXPECT_EQ(seen[number], hash) << "frame " << number;
  // In English, with the package's catalogue, the same game to its credits.
  play((scratch_.Path() / "english.txt").string(), " --language en", english);
  EXPECT_NE(english[credits], hashes[credits]) << "frame " << credits << " should show the English credits";
  EXPECT_TRUE(fs::is_empty("elsewhere"));
}

// The game the package installs under /usr looks last in the folders built
// into it, /usr/share/morlo3 and /usr/share/locale, where the package puts
// its data and its catalogues: with them there alone, the English game
// starts. Without data.kpk the designed line comes first, then every folder
// the game searched, in order, the built-in one last, then how to get it
// back.
TEST_F(Package, TheGameLooksLastInItsBuiltInDataFolderWhereThePackagePutsIt) {
  const fs::path root = Unpack();
  const std::string builtIn = "/usr/share/morlo3";
  ASSERT_TRUE(fs::exists(root / builtIn.substr(1) / "data.kpk")) << "the package puts its data elsewhere";
  // Only under "/" the data and the catalogues are where the package puts them.
  fs::create_directories(machine_ / "usr");
  fs::rename(root / "usr/share", machine_ / "usr/share");
  fs::create_directory("empty");
  const std::string game = "cd empty && KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_MAX_FRAMES=10 " +
                           (root / "usr/games/morlo3").string();
  const Outcome started = RunCommand(game + " --language en");
  EXPECT_EQ(started.code, 0) << started.out;
  EXPECT_EQ(started.out, "");

  fs::rename(machine_ / "usr/share", scratch_.Path() / "share");
  const Outcome r = RunCommand(game);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "Cannot open file data.kpk: No such file or directory\n"
            "data.kpk was looked for in these folders, in this order:\n"
            "  " +
                (scratch_.Path() / "empty").string() +
                " (the current folder)\n"
                "  " +
                (root / "usr/games").string() +
                "\n"
                "  " +
                (root / "usr/share/morlo3").string() +
                "\n"
                "  " +
                machine_.string() + builtIn +
                "\n"
                "Reinstalling the morlo3 package puts it back.\n");
  EXPECT_FALSE(fs::exists("empty/KRL_ERR.txt"));
}

// Neither errors nor warnings: a games package with a program in /usr/bin,
// say, is warned of.
TEST_F(Package, LintianFindsNoErrorsOrWarnings) {
  RequireTool("lintian", "lintian");
  const Outcome r = RunCommand("lintian --fail-on error,warning --tag-display-limit 0 " + Deb().string());
  EXPECT_EQ(r.code, 0) << r.out;
  for (const char* kind : {"E: ", "W: "}) {
    EXPECT_EQ(r.out.find(std::string("\n") + kind), std::string::npos) << r.out;
    EXPECT_FALSE(r.out.starts_with(kind)) << r.out;
  }
}

// The package and the metadata carry the licence of LICENSE, word for word in
// the machine-readable copyright file.
TEST_F(Package, CarriesTheMitLicenceOfTheSourceTree) {
  const fs::path root = Unpack();
  const std::string copyright = ReadText(root / "usr/share/doc/morlo3/copyright");
  EXPECT_TRUE(copyright.starts_with("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
  EXPECT_NE(copyright.find("\nFiles: *\nCopyright: "), std::string::npos);
  // The licence's text, as LICENSE has it from its grant on, each line
  // indented by one space and a blank line written " .".
  const std::string license = ReadText(kSource / "LICENSE");
  const size_t grant = license.find("Permission is hereby granted");
  ASSERT_NE(grant, std::string::npos);
  std::istringstream lines(license.substr(grant));
  std::string expected = "\nLicense: MIT\n";
  for (std::string line; std::getline(lines, line);) expected += line.empty() ? " .\n" : " " + line + "\n";
  EXPECT_NE(copyright.find(expected), std::string::npos) << copyright;
  EXPECT_NE(copyright.find("\nLicense: GPL-2 with Font exception\n"), std::string::npos);
  const std::string meta = ReadText(root / "usr/share/metainfo" / (kAppId + ".metainfo.xml"));
  EXPECT_NE(meta.find("<project_license>MIT</project_license>"), std::string::npos);
}

// The desktop entry, the metadata, the icon and the window share one id.
TEST_F(Package, DesktopEntryAndMetadataPassTheirValidatorsUnderOneId) {
  RequireTool("desktop-file-validate", "desktop-file-utils");
  RequireTool("appstreamcli", "appstream");
  const fs::path root = Unpack();
  const fs::path desktop = root / "usr/share/applications" / (kAppId + ".desktop");
  const fs::path metainfo = root / "usr/share/metainfo" / (kAppId + ".metainfo.xml");
  Outcome r = RunCommand("desktop-file-validate " + desktop.string());
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out, "");
  // --no-net: the screenshots' addresses are checked for form, not fetched.
  r = RunCommand("appstreamcli validate --no-net " + metainfo.string());
  EXPECT_EQ(r.code, 0) << r.out;

  const std::string entry = ReadText(desktop);
  EXPECT_NE(entry.find("\nIcon=" + kAppId + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nStartupWMClass=" + kAppId + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nExec=morlo3\n"), std::string::npos) << entry;
  const std::string meta = ReadText(metainfo);
  EXPECT_NE(meta.find("<id>" + kAppId + "</id>"), std::string::npos);
  EXPECT_NE(meta.find("<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>"), std::string::npos);
  EXPECT_NE(meta.find("<release version=\"" + std::string(morlo3::kVersion) + "\""), std::string::npos);
  EXPECT_NE(meta.find("<summary xml:lang=\"pt\">"), std::string::npos);
  EXPECT_NE(meta.find("<content_rating type=\"oars-1.1\">"), std::string::npos);
}

TEST_F(Package, ManualPagesFormatWithoutWarnings) {
  RequireTool("man", "man-db");
  const fs::path root = Unpack();
  for (const char* page : {"usr/share/man/man6/morlo3.6.gz", "usr/share/man/man1/morlo3-kpk.1.gz"}) {
    const Outcome r =
        RunCommand("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " + (root / page).string() + " >/dev/null");
    EXPECT_EQ(r.code, 0) << page << "\n" << r.out;
    EXPECT_EQ(r.out, "") << page;
    const Outcome text = RunCommand("LC_ALL=C.UTF-8 MANWIDTH=80 man -l " + (root / page).string());
    EXPECT_NE(text.out.find(morlo3::kVersion), std::string::npos) << page;
  }
  // The game's page answers a player's questions under these headings.
  const std::string game =
      RunCommand("LC_ALL=C.UTF-8 MANWIDTH=80 man -l " + (root / "usr/share/man/man6/morlo3.6.gz").string()).out;
  for (const char* heading : {"CONTROLS", "THE SCREEN", "OPTIONS", "FILES", "ENVIRONMENT", "EXIT STATUS"})
    EXPECT_NE(game.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
  // The controls at 80 columns: a heading row and one row an action, with
  // no blank row among them.
  const size_t controls = game.find("\n       Action", game.find("\nCONTROLS\n"));
  ASSERT_NE(controls, std::string::npos);
  std::istringstream rows(game.substr(controls + 1));
  std::vector<std::string> table;
  for (std::string row; std::getline(rows, row) && !row.empty();) table.push_back(row);
  ASSERT_EQ(table.size(), 7u) << game.substr(controls, 900);
  const char* starts[] = {"Action", "walk", "jump", "fire", "pause, resume", "give up the game", "go on"};
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_TRUE(table[i].starts_with(std::string("       ") + starts[i])) << table[i];
    EXPECT_LE(table[i].size(), 80u) << table[i];
  }
}

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  uint32_t At(int x, int y) const {
    const uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  }
};

Picture ReadPng(const fs::path& path) {
  Picture pic;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return pic;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return pic;
  pic.width = int(image.width);
  pic.height = int(image.height);
  pic.rgba = std::move(pixels);
  return pic;
}

// Pixel art scaled by whole numbers: every icon is the 16-pixel one with each
// pixel made a square, never smoothed, so each is an exact enlargement of
// every smaller one that divides it.
TEST_F(Package, EveryIconIsAnExactWholeNumberEnlargementOfTheSmallest) {
  const fs::path root = Unpack();
  auto icon = [&](int size) {
    const std::string s = std::to_string(size);
    return ReadPng(root / ("usr/share/icons/hicolor/" + s + "x" + s + "/apps/" + kAppId + ".png"));
  };
  const Picture base = icon(16);
  ASSERT_EQ(base.width, 16);
  ASSERT_EQ(base.height, 16);
  std::set<uint32_t> colours;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) colours.insert(base.At(x, y));
  EXPECT_GE(colours.size(), 6u) << "the smallest icon should show the hero, not a plain square";
  for (int size : {32, 48, 64, 128, 256}) {
    const Picture big = icon(size);
    ASSERT_EQ(big.width, size);
    ASSERT_EQ(big.height, size);
    const int k = size / 16;
    int wrong = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) wrong += big.At(x, y) != base.At(x / k, y / k);
    EXPECT_EQ(wrong, 0) << size << " x " << size << " is not the 16-pixel icon enlarged " << k << " times";
  }
}

// The screenshots the metadata names ship in the source tree, as the game's
// own frames doubled: each 2 x 2 block one colour, as in the window.
TEST(Screenshots, TheMetadataNamesOnlyScreenshotsInTheTreeEachADoubledFrame) {
  const std::string meta = ReadText(kSource / "packaging" / (kAppId + ".metainfo.xml.in"));
  const std::string open = "/screenshots/";
  int named = 0;
  for (size_t at = meta.find(open); at != std::string::npos; at = meta.find(open, at + 1)) {
    const size_t end = meta.find('<', at);
    const std::string name = meta.substr(at + open.size(), end - at - open.size());
    const Picture shot = ReadPng(kSource / "packaging/screenshots" / name);
    ASSERT_EQ(shot.width, 640) << name;
    ASSERT_EQ(shot.height, 400) << name;
    int blurred = 0;
    for (int y = 0; y < 400; y += 2)
      for (int x = 0; x < 640; x += 2) {
        const uint32_t c = shot.At(x, y);
        blurred += shot.At(x + 1, y) != c || shot.At(x, y + 1) != c || shot.At(x + 1, y + 1) != c;
      }
    EXPECT_EQ(blurred, 0) << name;
    ++named;
  }
  EXPECT_GE(named, 3);
}

}  // namespace
}  // namespace kestrel::testing
