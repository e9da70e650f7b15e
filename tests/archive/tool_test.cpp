// The kpk tool end to end: pack, list, extract and decode, and its exit codes.
#include <png.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "tests/archive/fixture.h"

namespace {

using namespace archive_test;

const std::string kTool = std::string(KESTREL_BINARY_DIR) + "/tools/kpk/kpk";

struct ToolRun {
  int code = -1;
  std::string out, err;
};

ToolRun Kpk(const std::string& args) {
  std::string errFile = (ScratchDir() / "kpk.err").string();
  ToolRun r;
  FILE* p = popen((kTool + " " + args + " 2>" + errFile).c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  for (uint8_t c : ReadFile(errFile)) r.err += char(c);
  return r;
}

// Building test_archive builds kpk and datagen.
class KpkTool : public ::testing::Test {};

TEST_F(KpkTool, PackListExtract) {
  std::string a = WriteFile("one.bin", testpics::Bytes("first file"));
  std::string b = WriteFile("Two.PNG", {});
  std::string arc = (ScratchDir() / "tool.kpk").string();
  ASSERT_EQ(Kpk("pack " + arc + " " + a + " " + b).code, 0);
  // The archive is the shared writer's format, best compression, base names.
  std::vector<uint8_t> want =
      testpics::Archive({testpics::Entry("one.bin", testpics::Bytes("first file")), testpics::Entry("Two.PNG", {})});
  EXPECT_EQ(ReadFile(arc), want);

  ToolRun list = Kpk("list " + arc);
  EXPECT_EQ(list.code, 0);
  size_t packed1 = testpics::Zlib(testpics::Bytes("first file")).size();
  EXPECT_EQ(list.out, "one.bin\t10\t" + std::to_string(packed1) + "\t4\nTwo.PNG\t0\t8\t" +
                          std::to_string(4 + 4 + 7 + 8 + packed1) + "\n");

  std::string out = (ScratchDir() / "got.bin").string();
  EXPECT_EQ(Kpk("extract " + arc + " ONE.BIN.extra -o " + out).code, 0);
  EXPECT_EQ(ReadFile(out), testpics::Bytes("first file"));

  ToolRun missing = Kpk("extract " + arc + " three -o " + out);
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "kpk: no entry matches 'three' in " + arc + "\n");
}

TEST_F(KpkTool, DecodeShowsWhatTheBufferHolds) {
  testpics::Expected e;
  std::vector<uint8_t> png = testpics::EncodePng(testpics::Pattern(9, 4), {}, &e);
  std::string arc = WriteFile("decode.kpk", testpics::Archive({testpics::Entry("p.png", png)}));
  for (int depth : {15, 16, 24, 32}) {
    std::string out = (ScratchDir() / ("d" + std::to_string(depth) + ".png")).string();
    ToolRun r = Kpk("decode " + arc + " p.png --depth " + std::to_string(depth) + " -o " + out);
    ASSERT_EQ(r.code, 0) << r.err;
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, out.c_str()));
    img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(img));
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr));
    ASSERT_EQ(int(img.width), 9);
    // Each source colour packed and unpacked again at that depth.
    Engine engine(depth);
    for (size_t i = 0; i < rgb.size(); i += 3) {
      uint8_t r, g, b;
      kestrel::UnpackColor(kestrel::MakeColor(e.rgb[i], e.rgb[i + 1], e.rgb[i + 2]), r, g, b);
      ASSERT_EQ((std::array<uint8_t, 3>{r, g, b}), (std::array<uint8_t, 3>{rgb[i], rgb[i + 1], rgb[i + 2]}))
          << "pixel " << i / 3 << " at depth " << depth;
    }
  }
}

TEST_F(KpkTool, ErrorsAreOneLineAndExitCodes) {
  ToolRun r = Kpk("list " + (ScratchDir() / "absent.kpk").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: Cannot open file " + (ScratchDir() / "absent.kpk").string() + ": No such file or directory\n");
  std::string bad = WriteFile("bad.kpk", testpics::Archive({testpics::Record{"x", 5, {1, 2, 3}}}));
  r = Kpk("extract " + bad + " x -o " + (ScratchDir() / "x").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: Decompression error: data error (incorrect header check), in entry x of " + bad + "\n");
  // A damaged archive: the entries before the damage, then why, and never 0.
  r = Kpk("list " + WriteFile("short.kpk", testpics::Archive({testpics::Entry("one", {})}, 3)));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "one\t0\t8\t4\n");
  EXPECT_EQ(r.err, "kpk: " + (ScratchDir() / "short.kpk").string() +
                       ": the records stop after entry 1 (cut short or negative sizes)\n");

  // Every command's usage errors: why, the usage (as --help gives it), and 2.
  const ToolRun help = Kpk("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.out.starts_with("usage: kpk list ARCHIVE\n")) << help.out;
  EXPECT_EQ(Kpk("-h").out, help.out);
  const std::pair<std::string, std::string> usage[] = {
      {"", "no command given"},
      {"frobnicate x", "unknown command 'frobnicate'"},
      {"list", "list takes one archive"},
      {"list a.kpk b.kpk", "list takes one archive"},
      {"extract a.kpk", "extract takes an archive and an entry name"},
      {"extract a.kpk x y", "extract takes an archive and an entry name"},
      {"extract a.kpk x -o", "-o needs a file name"},
      {"extract a.kpk ..", "cannot make a file name from '..'; give -o FILE"},
      {"extract a.kpk sounds/", "cannot make a file name from 'sounds/'; give -o FILE"},
      {"pack only-archive.kpk", "pack takes an archive and at least one file"},
      {"decode a.kpk x --depth 8 -o y.png", "--depth must be 15, 16, 24 or 32"},
      {"decode a.kpk x --depth", "--depth needs a value"},
      {"decode a.kpk x --depth 16", "decode needs -o OUT.png"},
      {"decode a.kpk x -o y.png", "decode needs --depth"},
      {"decode a.kpk --depth 16 -o y.png", "decode takes an archive and an entry name"},
      {"decode a.kpk x y --depth 16 -o y.png", "decode takes an archive and an entry name"},
  };
  for (const auto& [args, why] : usage) {
    r = Kpk(args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_EQ(r.err, "kpk: " + why + "\n" + help.out) << args;
  }
}

// Names are bytes: what a terminal would act on is shown escaped (and the
// escape character itself), letters beyond ASCII as they are. extract
// writes by default to the request's last path component, here.
TEST_F(KpkTool, UnusualNamesAndTheDefaultOutput) {
  const std::string arc =
      WriteFile("names.kpk", testpics::Archive({testpics::Entry("tab\there", {}), testpics::Entry("del\x7F\\x", {}),
                                                testpics::Entry("ma\xC3\xA7\xC3\xA3 verde", {}),
                                                testpics::Entry("data/sounds\\wind.wav", testpics::Bytes("wind"))}));
  ToolRun r = Kpk("list " + arc);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "tab\\x09here\t0\t8\t4\ndel\\x7F\\x5Cx\t0\t8\t32\nma\xC3\xA7\xC3\xA3 verde\t0\t8\t58\n"
            "data/sounds\\x5Cwind.wav\t4\t12\t90\n");
  const fs::path old = fs::current_path();
  fs::remove_all(ScratchDir() / "here");
  fs::create_directories(ScratchDir() / "here");
  fs::current_path(ScratchDir() / "here");
  EXPECT_EQ(Kpk("extract " + arc + " data/sounds\\\\wind.wav").code, 0);
  EXPECT_EQ(ReadFile("wind.wav"), testpics::Bytes("wind"));
  // A folder is no file to pack.
  r = Kpk("pack out.kpk " + old.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: Cannot read file " + old.string() + "\n");
  fs::current_path(old);
}

// pack never touches a file it did not make and refuses two files that
// would share an entry; decode names a missing entry as extract does and
// leaves no error log behind.
TEST_F(KpkTool, PackAndDecodeLeaveNothingBehind) {
  fs::path dir = ScratchDir() / "pack";
  fs::remove_all(dir);
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  const std::string arc = (dir / "out.kpk").string();
  WriteFile("pack/out.kpk.tmp", testpics::Bytes("someone's own file"));
  WriteFile("pack/a/x.png", testpics::Bytes("one"));
  WriteFile("pack/b/aX.PNG", testpics::Bytes("two"));
  WriteFile("pack/b/Ax.png", testpics::Bytes("three"));
  ToolRun r = Kpk("pack " + arc + " " + (dir / "b/aX.PNG").string() + " " + (dir / "b/Ax.png").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: two files would share the entry name 'Ax.png': " + (dir / "b/aX.PNG").string() + " and " +
                       (dir / "b/Ax.png").string() + "\n");
  ASSERT_EQ(Kpk("pack " + arc + " " + (dir / "a/x.png").string()).code, 0);
  EXPECT_EQ(ReadFile((dir / "out.kpk.tmp").string()), testpics::Bytes("someone's own file"));
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"a", "b", "out.kpk", "out.kpk.tmp"}));
  // A folder in the way: the archive's own name and why.
  r = Kpk("pack " + (dir / "a").string() + " " + (dir / "a/x.png").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: Cannot create file " + (dir / "a").string() + ": it is a directory\n");

  // decode runs the engine's loading in the current folder; it must not
  // leave the engine's error log there.
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  r = Kpk("decode out.kpk nothing --depth 16 -o o.png");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: no entry matches 'nothing' in out.kpk\n");
  r = Kpk("decode out.kpk x.png --depth 16 -o o.png");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kpk: [TBuffer64]LoadStreamImage -> Stream Image format not supported...\n");
  EXPECT_FALSE(fs::exists("KRL_ERR.txt"));
  EXPECT_FALSE(fs::exists("o.png"));
  fs::current_path(old);
}

// datagen refuses what it cannot write before it draws anything, makes its
// review folder, and answers --help.
TEST_F(KpkTool, DatagenChecksItsArgumentsFirst) {
  const std::string datagen = std::string(KESTREL_BINARY_DIR) + "/tools/datagen/datagen";
  auto run = [&](const std::string& args) {
    std::string errFile = (ScratchDir() / "datagen.err").string();
    const int status = std::system((datagen + " " + args + " >/dev/null 2>" + errFile).c_str());
    ToolRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (uint8_t c : ReadFile(errFile)) r.err += char(c);
    return r;
  };
  EXPECT_EQ(run("--help").code, 0);
  ToolRun r = run("");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "datagen: no output archive given");
  r = run("x.kpk --review");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "datagen: --review needs a folder");
  const std::string missing = (ScratchDir() / "no-such-dir" / "out.kpk").string();
  r = run(missing);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "datagen: Cannot create file " + missing + ": No such file or directory\n");
  // A review folder that cannot be made stops it before the archive is
  // written.
  const std::string plain = WriteFile("plain-file", testpics::Bytes("x"));
  r = run((ScratchDir() / "ok.kpk").string() + " --review " + plain + "/review");
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(fs::exists(ScratchDir() / "ok.kpk"));
}

}  // namespace
