// The sound system's set-up steps down from 64 to 32 to 16 channels; only
// when all three fail is there a report.
#include "devices_fixture.h"
#include "kestrel/sound64.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

class SoundSetUp : public DevicesTest {
 protected:
  void SetUp() override {
    DevicesTest::SetUp();
    WriteFile("a.wav", "RIFF");
  }
};

TEST_F(SoundSetUp, InitStepsDownThroughItsChannelCounts) {
  struct Row {
    int failures;  // of FSOUND_Init, in a row
    int channels;  // what the system then runs with; 0: a report instead
  } rows[] = {{0, 64}, {1, 32}, {2, 16}, {3, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.failures) + " failures");
    ClearFaults();
    if (r.failures > 0) InjectFault("FSOUND_Init", FMOD_ERR_INIT, r.failures);
    const size_t before = CallCount("FSOUND_Init");
    if (r.channels > 0) {
      TSound64 a(*context_, "a.wav", false);
      EXPECT_EQ(GetSoundSystem().MaxChannels(), r.channels);
      EXPECT_EQ(CallCount("FSOUND_Init") - before, size_t(r.failures + 1));
    } else {
      EXPECT_EQ(ExpectReport([&] { TSound64 a(*context_, "a.wav", false); }),
                "[Sound64]FSOUND_Init -> Error initializing output device");
      EXPECT_EQ(CallCount("FSOUND_Init") - before, 3u);
    }
    EXPECT_EQ(SoundCount, 0);
  }
}

}  // namespace
