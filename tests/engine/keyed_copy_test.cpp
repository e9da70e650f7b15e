// Keyed copies from a picture that stays as it is go by an index of its
// non-key runs. They must give exactly what the plain copy, which compares
// every pixel with the key, gives: on random pictures, random rectangles
// (clipped or not) and all four depths. Any write to the picture drops the
// index, and a picture that is drawn into about as often as it is copied
// from keeps the plain copy.
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "../support/headless_fixture.h"

namespace kestrel::testing {
namespace {

class KeyedCopy : public HeadlessTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    InstallDepth(GetParam());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "test", 256);
    key_ = MakeColor(232, 252, 252);
  }
  void TearDown() override {
    context_.reset();
    HeadlessTest::TearDown();
  }
  std::unique_ptr<TBuffer64> Make(int w, int h) { return std::make_unique<TBuffer64>(*context_, w, h, false); }

  // A stored pixel value with all of the format's bits random.
  uint32_t RandomPixel() {
    const uint32_t v = uint32_t(random_());
    switch (context_->BitsPerPixel) {
      case 15: return v & 0x7FFF;
      case 16: return v & 0xFFFF;
      case 24: return v & 0xFFFFFF;
      default: return v;
    }
  }
  // Runs of key of every length, between runs of pictures pixels and single
  // pixels one bit away from the key, which must be copied.
  void PaintRandom(TBuffer64& b, uint32_t key) {
    for (int y = 0; y < b.Height; ++y) {
      int x = 0;
      while (x < b.Width) {
        const int kind = int(random_() % 4);
        const int n = 1 + int(random_() % (kind == 0 ? 40 : 9));
        const int end = std::min(b.Width, x + n) - 1;
        if (kind <= 1) {
          b.HLine(x, end, y, key);
        } else if (kind == 2) {
          for (int i = x; i <= end; ++i) b.HLine(i, i, y, RandomPixel());
        } else {
          b.HLine(x, end, y, key ^ (1u << (random_() % (b.BytesPerPixel == 2 ? 15 : 24))));
        }
        x = end + 1;
      }
    }
  }
  static void CopyPixels(const TBuffer64& from, TBuffer64& to) {
    for (int y = 0; y < from.Height; ++y)
      std::memcpy(to.Rows[size_t(y)], from.Rows[size_t(y)], size_t(from.Width) * from.BytesPerPixel);
    to.Surface->PixelsChanged();
  }
  // A picture copied from `source` that keyed copies take pixel by pixel: its
  // first index is dropped by a write before it served enough copies.
  std::unique_ptr<TBuffer64> PlainTwin(const TBuffer64& source, uint32_t key) {
    auto twin = Make(source.Width, source.Height);
    auto scratch = Make(4, 4);
    twin->DrawRectKeyed(*scratch, 0, 0, 3, 3, 0, 0, key);
    CopyPixels(source, *twin);
    twin->DrawRectKeyed(*scratch, 0, 0, 3, 3, 0, 0, key);
    EXPECT_FALSE(twin->Surface->HasSpanIndex());
    return twin;
  }
  static bool SamePixels(const TBuffer64& a, const TBuffer64& b) {
    for (int y = 0; y < a.Height; ++y)
      if (std::memcmp(a.Rows[size_t(y)], b.Rows[size_t(y)], size_t(a.Width) * a.BytesPerPixel) != 0) return false;
    return true;
  }

  std::unique_ptr<TKestrel> context_;
  uint32_t key_ = 0;
  std::mt19937 random_{12345};
};

TEST_P(KeyedCopy, IndexedCopiesEqualPlainOnesOnRandomRectangles) {
  for (int picture = 0; picture < 4; ++picture) {
    SCOPED_TRACE("picture " + std::to_string(picture));
    // Wide and narrow pictures, rows with many runs and rows with none.
    const int w = picture % 2 ? 211 : 37, h = picture < 2 ? 53 : 9;
    auto source = Make(w, h);
    PaintRandom(*source, key_);
    auto plain = PlainTwin(*source, key_);
    auto a = Make(150, 90), b = Make(150, 90);
    for (int i = 0; i < 400; ++i) {
      // Rectangles inside, across every edge and outside, in either corner order.
      auto coordinate = [&](int size) { return int(random_() % uint32_t(size + 40)) - 20; };
      const int x1 = coordinate(w), y1 = coordinate(h), x2 = coordinate(w), y2 = coordinate(h);
      const int dx = int(random_() % 190) - 30, dy = int(random_() % 130) - 30;
      PaintRandom(*a, MakeColor(1, 2, 3));
      CopyPixels(*a, *b);
      if (i % 10 == 9) {
        source->DrawKeyed(*a, dx, dy, key_);
        plain->DrawKeyed(*b, dx, dy, key_);
      } else {
        source->DrawRectKeyed(*a, x1, y1, x2, y2, dx, dy, key_);
        plain->DrawRectKeyed(*b, x1, y1, x2, y2, dx, dy, key_);
      }
      ASSERT_TRUE(SamePixels(*a, *b)) << "copy " << i << ": (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") to "
                                      << dx << "," << dy;
    }
    EXPECT_TRUE(source->Surface->HasSpanIndex());
    EXPECT_FALSE(plain->Surface->HasSpanIndex());
  }
}

TEST_P(KeyedCopy, OneCopyByHandFromAnIndexedPicture) {
  // Row 1 of a 6 x 3 picture: key, A, B, key, key, C. Copying columns 1..5
  // of rows 0..2 to (10, 20) puts A, B at columns 10, 11 and C at 14 of row
  // 21, and leaves the rest of the destination as it was.
  auto source = Make(6, 3);
  source->Clear(key_);
  const uint32_t A = MakeColor(200, 0, 0), B = MakeColor(0, 200, 0), C = MakeColor(0, 0, 200);
  source->HLine(1, 1, 1, A);
  source->HLine(2, 2, 1, B);
  source->HLine(5, 5, 1, C);
  auto dest = Make(32, 32);
  const uint32_t ground = MakeColor(9, 9, 9);
  for (int round = 0; round < 3; ++round) {
    dest->Clear(ground);
    source->DrawRectKeyed(*dest, 1, 0, 5, 2, 10, 20, key_);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        uint32_t want = ground;
        if (y == 21 && x == 10) want = A;
        if (y == 21 && x == 11) want = B;
        if (y == 21 && x == 14) want = C;
        ASSERT_EQ(dest->GetPixel(x, y), want) << "round " << round << " at " << x << "," << y;
      }
  }
  EXPECT_TRUE(source->Surface->HasSpanIndex());
}

TEST_P(KeyedCopy, EveryWriteToThePictureDropsItsIndex) {
  auto source = Make(40, 30);
  PaintRandom(*source, key_);
  auto a = Make(60, 40), b = Make(60, 40);
  source->SetFont("Times New Roman", 15);
  // Each write changes the picture somewhere a copy reaches.
  const std::vector<std::pair<std::string, std::function<void(TBuffer64&)>>> writes = {
      {"HLine", [&](TBuffer64& t) { t.HLine(3, 30, 7, MakeColor(10, 20, 30)); }},
      {"VLine", [&](TBuffer64& t) { t.VLine(0, 29, 12, MakeColor(40, 50, 60)); }},
      {"Rectangle", [&](TBuffer64& t) { t.Rectangle(2, 2, 20, 20, key_); }},
      {"Clear", [&](TBuffer64& t) { t.Clear(MakeColor(70, 80, 90)); }},
      {"Draw into",
       [&](TBuffer64& t) {
         auto patch = Make(10, 10);
         patch->Clear(MakeColor(100, 0, 100));
         patch->Draw(t, 5, 5);
       }},
      {"DrawRectKeyed into",
       [&](TBuffer64& t) {
         auto patch = Make(10, 10);
         patch->Clear(MakeColor(0, 100, 100));
         patch->HLine(0, 9, 4, key_);
         patch->DrawRectKeyed(t, 0, 0, 9, 9, 20, 10, key_);
       }},
      {"Mirror", [&](TBuffer64& t) { t.Mirror(); }},
      {"TextOut", [&](TBuffer64& t) { t.TextOut(1, 1, "Morlo", MakeColor(250, 250, 0)); }},
      {"a lock's address",
       [&](TBuffer64& t) {
         t.Rows[9][0] ^= 0x5A;
         t.Surface->PixelsChanged();
       }},
  };
  for (const auto& [name, write] : writes) {
    SCOPED_TRACE(name);
    auto plain = PlainTwin(*source, key_);
    plain->SetFont("Times New Roman", 15);
    // Enough copies that the index is worth remaking after the write.
    for (int i = 0; i < 6; ++i) source->DrawKeyed(*a, i, i, key_);
    ASSERT_TRUE(source->Surface->HasSpanIndex());
    write(*source);
    EXPECT_FALSE(source->Surface->HasSpanIndex());
    write(*plain);
    a->Clear(MakeColor(1, 1, 1));
    b->Clear(MakeColor(1, 1, 1));
    source->DrawKeyed(*a, 7, 3, key_);
    plain->DrawKeyed(*b, 7, 3, key_);
    EXPECT_TRUE(SamePixels(*a, *b));
    EXPECT_TRUE(source->Surface->HasSpanIndex());
  }
}

TEST_P(KeyedCopy, APictureRedrawnEveryFrameKeepsThePlainCopy) {
  // As the player's canvas: a figure drawn into it, then copied keyed, frame
  // after frame, mirrored every other frame.
  auto sheet = Make(90, 34), canvas = Make(30, 34);
  PaintRandom(*sheet, key_);
  auto screen = Make(100, 60), check = Make(100, 60);
  for (int frame = 0; frame < 12; ++frame) {
    sheet->DrawRect(*canvas, 30 * (frame % 3), 0, 30 * (frame % 3) + 29, 33, 0, 0);
    if (frame % 2) canvas->Mirror();
    screen->Clear(MakeColor(5, 5, 5));
    canvas->DrawKeyed(*screen, frame, 10, key_);
    if (frame > 0) EXPECT_FALSE(canvas->Surface->HasSpanIndex()) << "frame " << frame;
    // The same by hand: canvas pixel (x, y) unless it is the key.
    check->Clear(MakeColor(5, 5, 5));
    for (int y = 0; y < 34; ++y)
      for (int x = 0; x < 30; ++x)
        if (canvas->GetPixel(x, y) != key_) check->HLine(frame + x, frame + x, 10 + y, canvas->GetPixel(x, y));
    ASSERT_TRUE(SamePixels(*screen, *check)) << "frame " << frame;
  }
  // The sheet it was cut from was never a keyed source; keyed copies from it
  // now make its index, and a change of key makes another.
  for (int i = 0; i < 5; ++i) sheet->DrawKeyed(*screen, 0, 0, key_);
  EXPECT_TRUE(sheet->Surface->HasSpanIndex());
  const uint32_t other = MakeColor(0, 0, 0);
  for (int i = 0; i < 5; ++i) sheet->DrawKeyed(*screen, 0, 0, other);
  EXPECT_TRUE(sheet->Surface->HasSpanIndex());
  auto plain = PlainTwin(*sheet, other);
  screen->Clear(0), check->Clear(0);
  sheet->DrawRectKeyed(*screen, 3, 3, 80, 30, 2, 2, other);
  plain->DrawRectKeyed(*check, 3, 3, 80, 30, 2, 2, other);
  EXPECT_TRUE(SamePixels(*screen, *check));
}

INSTANTIATE_TEST_SUITE_P(AllDepths, KeyedCopy, ::testing::Values(15, 16, 24, 32));

}  // namespace
}  // namespace kestrel::testing
