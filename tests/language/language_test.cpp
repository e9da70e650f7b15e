// The game's other languages: the translators' template against the
// sources, the English catalogue complete and fitting the picture, and the
// engine's reader of compiled catalogues on good and broken files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../support/files.h"
#include "../support/headless_fixture.h"
#include "../support/processes.h"
#include "kestrel/catalogue.h"
#include "morlo3/language.h"

namespace kestrel::testing {
namespace {

const std::string kSource = KESTREL_SOURCE_DIR;
const std::string kEnglishCatalogue = std::string(KESTREL_BINARY_DIR) + "/locale/en/LC_MESSAGES/morlo3.mo";

// A little-endian .mo file: the header, the two tables, then the texts.
std::vector<uint8_t> MoFile(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<uint8_t> out;
  const auto word = [&](uint32_t v) {
    for (int b = 0; b < 4; ++b) out.push_back(uint8_t(v >> (8 * b)));
  };
  const auto n = uint32_t(entries.size());
  uint32_t text = 28 + 16 * n;
  word(0x950412DE), word(0), word(n), word(28), word(28 + 8 * n), word(0), word(0);
  for (bool originals : {true, false})
    for (const auto& [key, value] : entries) {
      const std::string& s = originals ? key : value;
      word(uint32_t(s.size())), word(text);
      text += uint32_t(s.size()) + 1;
    }
  for (bool originals : {true, false})
    for (const auto& [key, value] : entries) {
      const std::string& s = originals ? key : value;
      out.insert(out.end(), s.begin(), s.end());
      out.push_back(0);
    }
  return out;
}

void Poke(std::vector<uint8_t>& file, size_t at, uint32_t v) {
  for (int b = 0; b < 4; ++b) file[at + size_t(b)] = uint8_t(v >> (8 * b));
}

TEST(Windows1252, Utf8IsConvertedOnceAndWhatCannotBeShownIsMarked) {
  struct Case {
    const char* utf8;
    const char* shown;
    bool lossless;
  };
  const Case cases[] = {
      {"Op\xC3\xA7\xC3\xB5"
       "es",
       "Op\xE7\xF5"
       "es",
       true},                                                                  // Latin-1 letters keep their bytes
      {"\xE2\x80\x9CSim\xE2\x80\x9D \xE2\x82\xAC", "\x93Sim\x94 \x80", true},  // 0x80 to 0x9F come from elsewhere
      {"\xC4\x81", "?", false},                                                // a letter the code page lacks
      {"\xF0\x9F\x90\x80!", "?!", false},                                      // four bytes
      {"a\xC3", "a?", false},                                                  // cut short at the end
      {"\xE2\x82"
       "a",
       "?a", false},                 // cut short before a letter
      {"\xC0\xAF", "?", false},      // an overlong '/'
      {"\xED\xA0\x80", "?", false},  // a surrogate
      {"\x80x", "?x", false},        // a stray continuation byte
  };
  for (const Case& c : cases) {
    bool lossless = true;
    EXPECT_EQ(Utf8ToWindows1252(c.utf8, lossless), c.shown) << c.utf8;
    EXPECT_EQ(lossless, c.lossless) << c.utf8;
  }
}

TEST(CatalogueReader, ReadsTextsAndRefusesWhatLiesOutsideTheFile) {
  const std::vector<uint8_t> good = MoFile({{"", "Content-Type: text/plain; charset=UTF-8\n"},
                                            {"Op\xC3\xA7\xC3\xB5"
                                             "es",
                                             "Options"},
                                            {"Sair", std::string("Quit\0Quits", 10)}});
  TCatalogue c;
  std::string error;
  ASSERT_TRUE(c.Parse(good.data(), good.size(), error)) << error;
  EXPECT_EQ(c.Size(), 2u) << "the header is no text";
  ASSERT_NE(c.Find("Op\xE7\xF5"
                   "es"),
            nullptr);
  EXPECT_EQ(*c.Find("Op\xE7\xF5"
                    "es"),
            "Options");
  EXPECT_EQ(*c.Find("Sair"), "Quit") << "a plural's other forms are left out";
  EXPECT_EQ(c.Find("Sai"), nullptr);

  // The same file big-endian.
  std::vector<uint8_t> swapped = good;
  for (size_t at = 0; at < 28 + 16 * 3; at += 4)
    std::swap(swapped[at], swapped[at + 3]), std::swap(swapped[at + 1], swapped[at + 2]);
  ASSERT_TRUE(c.Parse(swapped.data(), swapped.size(), error)) << error;
  EXPECT_EQ(*c.Find("Sair"), "Quit");

  struct Broken {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Broken broken[] = {
      {"another magic number", 0, 0x12345678},
      {"a revision to come", 4, 0x20000},
      {"more texts than the file holds", 8, 0x20000000},
      {"a count that wraps the table's end", 8, 0xFFFFFFFF},
      {"the translations' table past the end", 16, 0xFFFFFFF0},
      {"a text's length past the end", 28 + 8, 0xFFFFFFFF},
      {"a translation's offset past the end", 28 + 24 + 4, uint32_t(good.size())},
  };
  for (const Broken& b : broken) {
    std::vector<uint8_t> file = good;
    Poke(file, b.at, b.value);
    EXPECT_FALSE(c.Parse(file.data(), file.size(), error)) << b.what;
    EXPECT_EQ(c.Size(), 0u) << b.what;
  }
  for (size_t size : {0, 27}) EXPECT_FALSE(c.Parse(good.data(), size, error)) << size << " bytes";
}

// xgettext's template is what the sources mark today, so a text added to
// the game cannot be left out of it.
class English : public HeadlessTest {};

TEST_F(English, TheTemplateHoldsEveryTextOfTheSources) {
  ASSERT_TRUE(Installed({"xgettext"}));
  EXPECT_EQ(RunProcess(kSource + "/po/template.sh --check >template.diff 2>&1"), 0) << ReadText("template.diff");
}

TEST_F(English, EveryTextIsTranslatedAndNoneIsFuzzy) {
  ASSERT_TRUE(Installed({"msgcmp"}));
  // msgcmp counts a fuzzy or empty translation as missing.
  EXPECT_EQ(RunProcess("msgcmp " + kSource + "/po/en.po " + kSource + "/po/morlo3.pot >msgcmp.txt 2>&1"), 0)
      << ReadText("msgcmp.txt");
  EXPECT_EQ(ReadText(kSource + "/po/en.po").find("#, fuzzy"), std::string::npos);
  TCatalogue c;
  std::string error;
  ASSERT_TRUE(c.Load(kEnglishCatalogue, error)) << error;
  EXPECT_EQ(c.LossyEntries(), 0u) << "every English character is one the game can draw";
}

// Each English line is measured with the game's own font, drawn from the
// column its Portuguese line is drawn from, and must end inside the picture.
TEST_F(English, EveryLineFitsThePicture) {
  Install();
  TSelfExKestrel display(640, 400, "fit", 256);
  TBuffer64 line(display, 640, 30, false);
  line.SetFont("Times New Roman", 15);
  const auto width = [&](const std::string& text) {
    line.Clear(0);
    line.TextOut(0, 0, text, display.MakeColor(255, 255, 255));
    int32_t right = 0;
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 640; ++x)
        if (line.GetPixel(x, y) != 0) right = std::max(right, x + 1);
    return right;
  };
  TCatalogue c;
  std::string error;
  ASSERT_TRUE(c.Load(kEnglishCatalogue, error)) << error;
  std::vector<morlo3::PlacedText> placed;
  morlo3::MenuTexts(placed);
  morlo3::ScreenTexts(placed);
  morlo3::StageTexts(placed);
  ASSERT_GT(width("Perdeste uma vida"), 50) << "the font draws";
  for (const morlo3::PlacedText& p : placed) {
    const std::string* english = c.Find(p.Text);
    ASSERT_NE(english, nullptr) << "no English for \"" << p.Text << "\"";
    const int32_t w = width(*english);
    EXPECT_LE(p.X + w, 320) << "\"" << *english << "\" is " << w << " pixels wide from x = " << p.X;
  }
}

}  // namespace
}  // namespace kestrel::testing
