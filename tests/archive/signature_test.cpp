// Rules at the edges of the archive and the picture signatures: where a
// lookup writes into a stream that is not fresh, and how many bytes tell a
// format.
#include <functional>

#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "tests/archive/fixture.h"

namespace {

using namespace archive_test;
using kestrel::TKPK;
using kestrel::TMemoryStream;

// An empty stream whose position lies past its end is written at that
// position, as any other stream: the gap reads as zeros.
TEST(KpkStreamEdges, AnEmptyStreamIsWrittenAtItsPosition) {
  TKPK kpk(WriteFile("edge.kpk", testpics::Archive({testpics::Entry("e", testpics::Bytes("HELLO"))})));
  TMemoryStream s;
  s.SetPosition(3);
  ASSERT_TRUE(kpk.LoadToStream("E", &s));
  EXPECT_EQ(s.Size(), 8u);
  EXPECT_EQ(s.Position(), 8u);
  EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), std::string("\0\0\0HELLO", 8));
  // A fresh stream takes the content whole, with the position at its end.
  TMemoryStream fresh;
  ASSERT_TRUE(kpk.LoadToStream("e", &fresh));
  EXPECT_EQ(fresh.Size(), 5u);
  EXPECT_EQ(fresh.Position(), 5u);
}

std::string LoadText(const std::vector<uint8_t>& bytes) {
  Engine engine(32);
  auto b = engine.NewBuffer(4, 4);
  TMemoryStream s{std::vector<uint8_t>(bytes)};
  try {
    b->LoadStreamImage(s, false);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<loaded>";
}

// A format is told by its whole signature: all eight bytes for PNG, the two
// of JPEG and BMP. A stream that starts like a PNG but differs in a later
// signature byte is no PNG; two bytes FF D8 alone are a JPEG, and it is the
// JPEG decoder that refuses them.
TEST(Signatures, EveryByteOfTheSignatureCounts) {
  const std::string unknown = "[TBuffer64]LoadStreamImage -> Stream Image format not supported...";
  std::vector<uint8_t> tail(24, 0x41);
  for (int last = 4; last < 8; ++last) {
    std::vector<uint8_t> bytes = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    bytes[size_t(last)] ^= 0x20;
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    EXPECT_EQ(LoadText(bytes), unknown) << "byte " << last;
  }
  EXPECT_EQ(LoadText({0xFF, 0xD8}), "Premature end of JPEG file");
  EXPECT_EQ(LoadText({0x42, 0x4D}), "Invalid BMP file: header cut short");
  EXPECT_EQ(LoadText({0x42}), unknown);
}

}  // namespace
