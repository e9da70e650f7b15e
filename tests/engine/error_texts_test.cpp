// The texts a DirectDraw failure report carries: the rows whose wording is
// fixed, and the set of codes that have a text of their own at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "kestrel/error.h"

namespace kestrel {
namespace {

TEST(DirectDrawTexts, TellingRowsWordForWord) {
  const std::pair<uint32_t, const char*> rows[] = {
      {0x00000000, "The request completed successfully."},
      {0x8007000E, "DirectDraw does not have enough memory to perform the operation."},
      {0x80070057, "One or more of the parameters passed to the function are incorrect."},
      {0x88760078, "DirectDraw does not support the requested mode."},
      {0x887600D4, "Create function called without DirectDraw object method SetCooperativeLevel being called."},
      {0x887600E1,
       "Operation requires the application to have exclusive mode but the application does not have exclusive mode."},
      {0x887601AE, "Access to this surface is being refused because the surface is already locked by another thread."},
      {0x887601C2,
       "Access to this surface is being refused because the surface memory is gone. The DirectDrawSurface object "
       "representing this surface should have Restore called on it."},
      {0x8876021C,
       "Informs DirectDraw that the previous Blt which is transfering information to or from this Surface is "
       "incomplete."},
      {0x88760231, "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
      {0x88760233,
       "A hardware-only DirectDraw object creation was attempted but the driver did not support any hardware."},
      {0x88760234, "This process already has created a primary surface."},
      {0x88760245, "An attempt was made to set the cooperative level when it was already set to exclusive."},
      {0x88760249, "Windows can not create any more DCs."},
      {0x8876024E, "The display is currently in an unsupported mode"},
      {0x8876026C, "A DC has already been returned for this surface. Only one DC can be retrieved per surface."},
  };
  for (const auto& [code, text] : rows) EXPECT_STREQ(DirectDrawErrorText(code), text) << std::hex << code;
}

// The 108 codes with a text, in table order; every other code, neighbours
// of these included, is "Unrecognized Error". No two codes share a text.
TEST(DirectDrawTexts, TheHundredAndEightCodesAndNoOthers) {
  const uint32_t codes[] = {
      0x00000000, 0x80004001, 0x80004005, 0x800401F0, 0x8007000E, 0x80070057, 0x88760005, 0x8876000A, 0x88760014,
      0x88760028, 0x88760037, 0x8876005A, 0x8876005F, 0x88760064, 0x8876006E, 0x88760078, 0x88760082, 0x88760091,
      0x88760096, 0x887600A0, 0x887600AA, 0x887600B4, 0x887600CD, 0x887600D2, 0x887600D4, 0x887600D7, 0x887600DC,
      0x887600E1, 0x887600E6, 0x887600F0, 0x887600FA, 0x887600FF, 0x88760104, 0x8876010E, 0x88760118, 0x88760122,
      0x88760136, 0x8876013C, 0x8876013D, 0x88760140, 0x8876014A, 0x8876014F, 0x88760154, 0x8876015E, 0x88760168,
      0x8876017E, 0x88760180, 0x88760183, 0x88760190, 0x8876019A, 0x887601A4, 0x887601AE, 0x887601B8, 0x887601C2,
      0x887601CC, 0x887601D6, 0x887601E0, 0x887601EA, 0x887601FE, 0x88760208, 0x88760209, 0x88760219, 0x8876021C,
      0x88760230, 0x88760231, 0x88760232, 0x88760233, 0x88760234, 0x88760235, 0x88760236, 0x88760237, 0x88760238,
      0x88760239, 0x8876023A, 0x8876023B, 0x8876023C, 0x8876023D, 0x8876023E, 0x8876023F, 0x88760240, 0x88760241,
      0x88760242, 0x88760243, 0x88760244, 0x88760245, 0x88760246, 0x88760247, 0x88760248, 0x88760249, 0x8876024A,
      0x8876024B, 0x8876024C, 0x8876024D, 0x8876024E, 0x8876024F, 0x88760250, 0x88760258, 0x88760259, 0x8876025A,
      0x8876026C, 0x88760276, 0x88760280, 0x88760294, 0x887602A8, 0x887602B2, 0x887602B3, 0x887602B7, 0x887602BB,
  };
  ASSERT_EQ(std::size(codes), 108u);
  const std::set<uint32_t> known(std::begin(codes), std::end(codes));
  std::set<std::string> texts;
  for (uint32_t code : codes) {
    const std::string text = DirectDrawErrorText(code);
    EXPECT_NE(text, "Unrecognized Error") << std::hex << code;
    EXPECT_FALSE(text.empty()) << std::hex << code;
    texts.insert(text);
    for (uint32_t near : {code - 1, code + 1}) {
      if (known.count(near)) continue;
      EXPECT_STREQ(DirectDrawErrorText(near), "Unrecognized Error") << std::hex << near;
    }
  }
  EXPECT_EQ(texts.size(), 108u);
  for (uint32_t code : {0x00000001u, 0x887601C3u, 0x88770245u, 0xFFFFFFFFu})
    EXPECT_STREQ(DirectDrawErrorText(code), "Unrecognized Error") << std::hex << code;
}

}  // namespace
}  // namespace kestrel
