// The archive: the record format, the name rule, inflation and the files it
// writes, and its behaviour on broken archives.
#include <sys/resource.h>
#include <zlib.h>

#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "tests/archive/fixture.h"

namespace {

using namespace archive_test;
using kestrel::TKPK;
using kestrel::TMemoryStream;
using testpics::Archive;
using testpics::Bytes;
using testpics::Entry;
using testpics::Record;

// The scratch files of a run go with it.
class ScratchCleanup : public ::testing::Environment {
 public:
  void TearDown() override { fs::remove_all(ScratchDir()); }
};
const ::testing::Environment* const kScratchCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

std::string MakeArchive(const std::string& file, const std::vector<uint8_t>& bytes) {
  SaveSeed("kpk", file, bytes);
  return WriteFile(file, bytes);
}

// The content of `name`, or "<none>" when the lookup finds nothing.
std::string Lookup(TKPK& kpk, const std::string& name) {
  TMemoryStream s;
  if (!kpk.LoadToStream(name, &s)) return "<none>";
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

std::string FatalText(const std::function<void()>& f) {
  try {
    f();
  } catch (const kestrel::FatalError& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(KpkNames, FollowTheNameRule) {
  std::string path = MakeArchive("names.kpk", Archive({
                                                  Entry("load.jpg", Bytes("LOAD")),
                                                  Entry("sprites.png", Bytes("SPRITES")),
                                                  Entry("\xE9t\xE9.wav", Bytes("ETE")),  // accented lower case
                                                  Entry("dup.bmp", Bytes("FIRST")),
                                                  Entry("dup.bmp", Bytes("SECOND")),
                                                  Entry("a\\b/c", Bytes("SLASHES")),
                                              }));
  TKPK kpk(path);
  EXPECT_EQ(Lookup(kpk, "load.jpg"), "LOAD");
  EXPECT_EQ(Lookup(kpk, "LOAD.JPG"), "LOAD");
  EXPECT_EQ(Lookup(kpk, "LoAd.JpG"), "LOAD");
  // Only a-z change case: an accented letter and its capital differ.
  EXPECT_EQ(Lookup(kpk, "\xE9t\xE9.wav"), "ETE");
  EXPECT_EQ(Lookup(kpk, "\xC9T\xC9.WAV"), "<none>");
  // The stored name must be a prefix of the request.
  EXPECT_EQ(Lookup(kpk, "sprites.png.bak"), "SPRITES");
  EXPECT_EQ(Lookup(kpk, "sprites.pn"), "<none>");
  EXPECT_EQ(Lookup(kpk, ""), "<none>");
  // The first of two equal names wins.
  EXPECT_EQ(Lookup(kpk, "dup.bmp"), "FIRST");
  // Separators are ordinary bytes.
  EXPECT_EQ(Lookup(kpk, "A\\B/C"), "SLASHES");
  EXPECT_EQ(Lookup(kpk, "a/b/c"), "<none>");
  // Lookups do not depend on each other.
  EXPECT_EQ(Lookup(kpk, "load.jpg"), "LOAD");
}

TEST(KpkNames, EmptyStoredNameMatchesEverything) {
  TKPK kpk(MakeArchive("empty-name.kpk",
                       Archive({Entry("x.png", Bytes("X")), Entry("", Bytes("ANY")), Entry("y.png", Bytes("Y"))})));
  EXPECT_EQ(Lookup(kpk, "x.png"), "X");
  EXPECT_EQ(Lookup(kpk, "y.png"), "ANY");
  EXPECT_EQ(Lookup(kpk, ""), "ANY");
}

TEST(KpkCounts, ZeroOrNegativeFindsNothing) {
  for (int32_t count : {0, -1, INT32_MIN}) {
    TKPK kpk(MakeArchive("count.kpk", Archive({Entry("a", Bytes("A"))}, count)));
    EXPECT_EQ(Lookup(kpk, "a"), "<none>") << count;
    std::string out = (ScratchDir() / "count.out").string();
    fs::remove(out);
    EXPECT_FALSE(kpk.ExtractFile("a", out));
    EXPECT_FALSE(fs::exists(out)) << "no file may be created for a missing entry";
  }
  // A count larger than the records ends at the end of the file.
  TKPK kpk(MakeArchive("count-big.kpk", Archive({Entry("a", Bytes("A"))}, INT32_MAX)));
  EXPECT_EQ(Lookup(kpk, "a"), "A");
  EXPECT_EQ(Lookup(kpk, "b"), "<none>");
  // An empty file or one shorter than the count.
  EXPECT_EQ(Lookup(*std::make_unique<TKPK>(MakeArchive("empty.kpk", {})), "a"), "<none>");
  EXPECT_EQ(Lookup(*std::make_unique<TKPK>(MakeArchive("short.kpk", {1, 0})), "a"), "<none>");
}

TEST(KpkInflate, UnpackedSizeIsOnlyAHint) {
  std::vector<uint8_t> content(70000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = uint8_t(i * 7 + i / 300);
  std::string want(content.begin(), content.end());
  for (int32_t hint : {0, 1, 100, 69999, 70000, 70001, 1 << 20, INT32_MAX, -5}) {
    Record r = Entry("big.bin", content);
    r.unpacked = hint;
    TKPK kpk(MakeArchive("hint.kpk", Archive({r})));
    EXPECT_EQ(Lookup(kpk, "big.bin"), want) << "hint " << hint;
  }
  // Highly compressible content grows the buffer many times.
  std::vector<uint8_t> zeros(3 << 20, 0);
  Record r = Entry("zeros", zeros);
  r.unpacked = 0;
  TKPK kpk(MakeArchive("zeros.kpk", Archive({r})));
  EXPECT_EQ(Lookup(kpk, "zeros"), std::string(zeros.size(), '\0'));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KPK_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KPK_TEST_ASAN 1
#endif

#ifndef KPK_TEST_ASAN
// A 2 GiB hint over a small entry must not be taken at its word: with the
// address space held to what the process has plus 256 MiB, it still loads.
TEST(KpkInflate, AHugeHintIsNotAllocated) {
  Record r = Entry("small", Bytes("just a few bytes"));
  r.unpacked = INT32_MAX;
  std::string path = MakeArchive("hint-huge.kpk", Archive({r}));
  EXPECT_EXIT(
      {
        long vmKb = 0;
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
          if (line.rfind("VmSize:", 0) == 0) vmKb = std::stol(line.substr(7));
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = rlim_t(vmKb) * 1024 + (rlim_t(256) << 20);
        setrlimit(RLIMIT_AS, &limit);
        try {
          TKPK kpk(path);
          std::_Exit(Lookup(kpk, "small") == "just a few bytes" ? 0 : 1);
        } catch (const std::bad_alloc&) {
          std::_Exit(2);
        }
      },
      ::testing::ExitedWithCode(0), "");
}
#endif

TEST(KpkInflate, EmptyContentIsFoundAndEmpty) {
  TKPK kpk(MakeArchive("empty-content.kpk", Archive({Entry("none", {})})));
  TMemoryStream s;
  EXPECT_TRUE(kpk.LoadToStream("none", &s));
  EXPECT_EQ(s.Size(), 0u);
  std::string out = WriteFile("old-content", Bytes("something old"));
  EXPECT_TRUE(kpk.ExtractFile("none", out));
  EXPECT_TRUE(ReadFile(out).empty());
}

TEST(KpkInflate, CorruptStreamsRaiseZlibsMessage) {
  std::vector<uint8_t> content = Bytes(std::string(5000, 'q') + "tail");
  Record good = Entry("c", content);

  Record badHeader = good;
  badHeader.packed[0] ^= 0xFF;
  Record cut = good;
  cut.packed.resize(cut.packed.size() / 2);
  Record badChecksum = good;
  badChecksum.packed.back() ^= 1;
  Record raw = good;  // raw deflate, no zlib header
  raw.packed.erase(raw.packed.begin(), raw.packed.begin() + 2);
  Record nothing = good;
  nothing.packed.clear();

  struct Case {
    Record rec;
    std::string text;
  } cases[] = {
      {badHeader, "Decompression error: data error (incorrect header check)"},
      {cut, "Decompression error: buffer error"},
      {badChecksum, "Decompression error: data error (incorrect data check)"},
      {raw, "Decompression error: data error (incorrect header check)"},
      {nothing, "Decompression error: buffer error"},
  };
  for (const Case& c : cases) {
    const std::string path = MakeArchive("corrupt.kpk", Archive({c.rec}));
    TKPK kpk(path);
    TMemoryStream s;
    // zlib's message first, then which entry of which archive it was.
    const std::string where = ", in entry c of " + path;
    EXPECT_EQ(FatalText([&] { kpk.LoadToStream("c", &s); }), c.text + where);
    // A corrupt entry neither creates the destination nor spoils one there.
    std::string out = WriteFile("keep.bin", Bytes("precious"));
    EXPECT_EQ(FatalText([&] { kpk.ExtractFile("c", out); }), c.text + where);
    EXPECT_EQ(ReadFile(out), Bytes("precious"));
  }
}

TEST(KpkInflate, OutputIsCapped) {
  // 257 MiB of zeros packs into a few hundred KiB; run-length matching
  // packs it as small as the best level, in half the time.
  std::vector<uint8_t> packed;
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_RLE), Z_OK);
  std::vector<uint8_t> zeros(1 << 20, 0), out(1 << 16);
  for (int i = 0; i < 257; ++i) {
    z.next_in = zeros.data();
    z.avail_in = uInt(zeros.size());
    int flush = i == 256 ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      deflate(&z, flush);
      packed.insert(packed.end(), out.data(), out.data() + (out.size() - z.avail_out));
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  Record r{"huge", int32_t(0x7FFFFFFF), packed};
  const std::string path = MakeArchive("huge.kpk", Archive({r}));
  TKPK kpk(path);
  TMemoryStream s;
  EXPECT_EQ(FatalText([&] { kpk.LoadToStream("huge", &s); }),
            "Decompression error: content larger than 256 MiB, in entry huge of " + path);
  EXPECT_EQ(s.Size(), 0u);
}

TEST(KpkBroken, NegativeSizesEndTheScan) {
  Record negName = Entry("a", Bytes("A"));
  negName.nameLength = -4;
  Record negPacked = Entry("a", Bytes("A"));
  negPacked.packedSize = -12;  // would seek back onto the count
  Record pastEnd = Entry("a", Bytes("A"));
  pastEnd.packedSize = 1 << 30;
  Record hugeName = Entry("a", Bytes("A"));
  hugeName.nameLength = INT32_MAX;
  for (const Record& bad : {negName, negPacked, pastEnd, hugeName}) {
    TKPK kpk(MakeArchive("neg.kpk", Archive({bad, Entry("b", Bytes("B"))})));
    EXPECT_EQ(Lookup(kpk, "a"), "<none>");
    EXPECT_EQ(Lookup(kpk, "b"), "<none>");
    std::vector<kestrel::TKPKEntryInfo> list;
    EXPECT_FALSE(kpk.ListEntries(list));
    EXPECT_TRUE(list.empty());
  }
}

TEST(KpkBroken, TruncationAtEveryByte) {
  std::vector<uint8_t> full =
      Archive({Entry("first.png", Bytes("1111111111")), Entry("second.jpg", Bytes("22222222222222222222"))});
  // Where each record ends.
  size_t end1 = 4 + 4 + 9 + 8 + testpics::Zlib(Bytes("1111111111")).size();
  size_t end2 = full.size();
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    std::vector<uint8_t> part(full.begin(), full.begin() + long(cut));
    TKPK kpk(WriteFile("cut.kpk", part));
    EXPECT_EQ(Lookup(kpk, "first.png"), cut >= end1 ? "1111111111" : "<none>") << cut;
    EXPECT_EQ(Lookup(kpk, "second.jpg"), cut >= end2 ? "22222222222222222222" : "<none>") << cut;
    EXPECT_EQ(Lookup(kpk, "third"), "<none>") << cut;
  }
}

TEST(KpkStream, WritesAtThePositionAndMovesPastIt) {
  TKPK kpk(MakeArchive("stream.kpk", Archive({Entry("e", Bytes("HELLO"))})));
  TMemoryStream s;
  s.Write("0123456789", 10);
  ASSERT_TRUE(kpk.LoadToStream("e", &s));
  EXPECT_EQ(s.Size(), 15u);
  EXPECT_EQ(s.Position(), 15u);
  EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), "0123456789HELLO");
  // In the middle it overwrites and grows only as far as needed.
  s.SetPosition(2);
  ASSERT_TRUE(kpk.LoadToStream("e", &s));
  EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), "01HELLO789HELLO");
  EXPECT_EQ(s.Position(), 7u);
  // Not found or no stream: untouched.
  EXPECT_FALSE(kpk.LoadToStream("zzz", &s));
  EXPECT_FALSE(kpk.LoadToStream("e", nullptr));
  EXPECT_EQ(s.Size(), 15u);
  EXPECT_EQ(s.Position(), 7u);
}

TEST(KpkFiles, ExtractReplacesAndReportsCreateFailures) {
  TKPK kpk(MakeArchive("files.kpk", Archive({Entry("click2.wav", Bytes("RIFFdata"))})));
  std::string out = WriteFile("click2.wav", Bytes(std::string(100, 'x')));
  EXPECT_TRUE(kpk.ExtractFile("CLICK2.WAV", out));
  EXPECT_EQ(ReadFile(out), Bytes("RIFFdata"));

  std::string noDir = (ScratchDir() / "no-such-dir" / "x.wav").string();
  EXPECT_EQ(FatalText([&] { kpk.ExtractFile("click2.wav", noDir); }),
            "Cannot create file " + noDir + ": No such file or directory");
  // A missing entry never gets as far as creating the file.
  EXPECT_FALSE(kpk.ExtractFile("other.wav", noDir));
}

TEST(KpkFiles, ListShowsEveryRecord) {
  std::vector<uint8_t> bytes = Archive({Entry("a.png", Bytes("AAAA")), Entry("bb", {})});
  TKPK kpk(MakeArchive("list.kpk", bytes));
  std::vector<kestrel::TKPKEntryInfo> list;
  ASSERT_TRUE(kpk.ListEntries(list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Name, "a.png");
  EXPECT_EQ(list[0].UnpackedSize, 4);
  EXPECT_EQ(list[0].Offset, 4);
  EXPECT_EQ(list[1].Name, "bb");
  EXPECT_EQ(list[1].Offset, 4 + 4 + 5 + 8 + list[0].PackedSize);
  EXPECT_EQ(size_t(list[1].Offset + 4 + 2 + 8 + list[1].PackedSize), bytes.size());
}

// A window closed while the archive is scanned must still end the game: the
// pump between records dispatches messages but leaves the quit queued.
TEST(KpkPump, CloseDuringAScanIsNotLost) {
  std::vector<Record> recs;
  for (int i = 0; i < 20; ++i) recs.push_back(Entry("r" + std::to_string(i), Bytes("x")));
  TKPK kpk(MakeArchive("pump.kpk", Archive(recs)));
  Engine engine(16);
  kestrel::platform::GetDisplay().RequestClose();
  EXPECT_EQ(Lookup(kpk, "r19"), "x");
  EXPECT_EQ(Lookup(kpk, "missing"), "<none>");
  bool quit = false;
  for (int i = 0; i < 10 && !quit; ++i) quit = !engine.context->PumpMessage();
  EXPECT_TRUE(quit) << "the close request was swallowed by the archive scan";
}

TEST(KpkPump, NoDisplayNoPump) {
  kestrel::platform::ResetPlatform();
  TKPK kpk(MakeArchive("nodisplay.kpk", Archive({Entry("a", Bytes("A")), Entry("b", Bytes("B"))})));
  EXPECT_EQ(Lookup(kpk, "b"), "B");
  EXPECT_FALSE(kestrel::platform::HasDisplay()) << "a lookup must not open a display";
}

}  // namespace
