#include <algorithm>

#include "devices_fixture.h"
#include "kestrel/settings.h"
#include "kestrel/sound64.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

class SoundTest : public DevicesTest {
 protected:
  void SetUp() override {
    DevicesTest::SetUp();
    for (const char* name : {"a.wav", "b.wav", "c.wav", "song.mod", "tune.XM", "noise.wave", "plain"})
      WriteFile(name, "RIFF");
    log_ = HeadlessSound();
    ASSERT_NE(log_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(SoundCount, 0);
    DevicesTest::TearDown();
  }

  std::vector<std::string> CallsSince(size_t from) const {
    return {log_->calls.begin() + long(from), log_->calls.end()};
  }
  bool Logged(const std::string& call) const {
    return std::find(log_->calls.begin(), log_->calls.end(), call) != log_->calls.end();
  }

  HeadlessSoundLog* log_ = nullptr;
};

TEST_F(SoundTest, FirstSoundSetsUpLastSoundCloses) {
  auto a = std::make_unique<TSound64>(*context_, "a.wav", false);
  auto b = std::make_unique<TSound64>(*context_, "b.wav", true);
  EXPECT_EQ(SoundCount, 2);
  EXPECT_EQ(a->OwnerWindow(), context_->Handle);
  // Set-up once; the version and the file are checked for every sound.
  EXPECT_EQ(CallCount("FSOUND_SetOutput"), 1u);
  EXPECT_EQ(CallCount("FSOUND_SetDriver"), 1u);
  EXPECT_EQ(CallCount("FSOUND_SetMixer"), 1u);
  EXPECT_EQ(CallCount("FSOUND_Init"), 1u);
  EXPECT_EQ(CallCount("FSOUND_GetVersion"), 2u);
  EXPECT_TRUE(Logged("Open 2 44100 64"));
  EXPECT_TRUE(Logged("OpenStream a.wav"));
  EXPECT_TRUE(Logged("OpenStream b.wav loop"));

  a.reset();
  EXPECT_EQ(CallCount("FSOUND_Close"), 0u);
  EXPECT_EQ(CallCount("FSOUND_Stream_Close"), 1u);
  b.reset();
  EXPECT_EQ(CallCount("FSOUND_Close"), 1u);

  // A new first sound sets the system up again.
  TSound64 c(*context_, "c.wav", false);
  EXPECT_EQ(CallCount("FSOUND_Init"), 2u);
}

TEST_F(SoundTest, InitFallsBackFrom64To32ChannelsWithoutReport) {
  InjectFault("FSOUND_Init", FMOD_ERR_INIT, 1);
  TSound64 a(*context_, "a.wav", false);
  EXPECT_EQ(CallCount("FSOUND_Init"), 2u);
  EXPECT_TRUE(Logged("Open 2 44100 32"));
  EXPECT_TRUE(GetSoundSystem().Initialised());
  EXPECT_EQ(GetSoundSystem().MaxChannels(), 32);
}

TEST_F(SoundTest, OutputFallsBackToTheSilentOne) {
  InjectFault("FSOUND_SetOutput", FMOD_ERR_INIT, 1);
  TSound64 a(*context_, "a.wav", false);
  EXPECT_TRUE(Logged("SelectOutput 1"));
  EXPECT_TRUE(Logged("Open 1 44100 64"));
}

TEST_F(SoundTest, EveryReportCarriesItsText) {
  struct Case {
    const char* fault;
    int code;
    const char* file;
    const char* report;
  };
  const Case cases[] = {
      {"FSOUND_SetOutput", FMOD_ERR_INIT, "a.wav", "[Sound64]FSOUND_SetOutput -> Error initializing output device"},
      {"FSOUND_SetMixer", FMOD_ERR_BUSY, "a.wav",
       "[Sound64]FSOUND_SetMixer -> Cannot call this command after FSOUND_Init.  Call FSOUND_Close first"},
      {"FSOUND_Init", FMOD_ERR_OUTPUT_FORMAT, "a.wav",
       "[Sound64]FSOUND_Init -> Soundcard does not support the features needed for this soundsystem (16bit "
       "stereo output)"},
      {"FSOUND_Stream_OpenFile", FMOD_ERR_FILE_FORMAT, "a.wav",
       "[Sound64]FSOUND_Stream_OpenFile -> Unknown file format"},
      {"FMUSIC_LoadSong", 19, "song.mod", "[Sound64]FMUSIC_LoadSong -> Unknown error"},
      {"FMUSIC_LoadSong", -1, "song.mod", "[Sound64]FMUSIC_LoadSong -> Unknown error"},
      {"FMUSIC_LoadSong", FMOD_ERR_MEDIAPLAYER, "tune.XM",
       "[Sound64]FMUSIC_LoadSong -> Required Mediaplayer codec is not installed"},
      {nullptr, 0, "missing.wav", "[Sound64]Create -> File not found..."},
      {nullptr, 0, "noise.wave", "[Sound64]Create -> File type not supported..."},
      {nullptr, 0, "plain", "[Sound64]Create -> File type not supported..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    ClearFaults();
    if (c.fault) InjectFault(c.fault, HResult(c.code));
    EXPECT_EQ(ExpectReport([&] { TSound64 s(*context_, c.file, false); }), c.report);
    EXPECT_EQ(CallCount("FSOUND_Close"), 1u);
    EXPECT_EQ(SoundCount, 0);
    EXPECT_FALSE(GetSoundSystem().Initialised());
  }
}

TEST_F(SoundTest, WrongVersionIsCheckedForEverySound) {
  TSound64 a(*context_, "a.wav", false);
  log_->version = 3.51f;
  EXPECT_EQ(ExpectReport([&] { TSound64 b(*context_, "b.wav", false); }),
            "[Sound64]Create -> Wrong FMOD version, you should be using version 3.50, get it at www.fmod.org...");
  EXPECT_EQ(CallCount("FSOUND_Close"), 1u);
}

TEST_F(SoundTest, AReportWithSoundsAliveClosesOnce) {
  auto a = std::make_unique<TSound64>(*context_, "a.wav", false);
  auto b = std::make_unique<TSound64>(*context_, "b.wav", false);
  InjectFault("FSOUND_Stream_OpenFile", FMOD_ERR_MEMORY, 1);
  EXPECT_EQ(ExpectReport([&] { TSound64 c(*context_, "c.wav", false); }),
            "[Sound64]FSOUND_Stream_OpenFile -> Not enough memory or resources");
  EXPECT_EQ(CallCount("FSOUND_Close"), 1u);
  EXPECT_EQ(SoundCount, 2);
  // The sounds left alive do not close the system a second time.
  a.reset();
  b.reset();
  EXPECT_EQ(CallCount("FSOUND_Close"), 1u);
}

TEST_F(SoundTest, AReportWithOneSoundAliveClosesOnce) {
  // The failing sound was never counted, so its release does not bring the
  // count to 0 and close; the report makes the one close.
  auto a = std::make_unique<TSound64>(*context_, "a.wav", false);
  ExpectReport([&] { TSound64 c(*context_, "missing.wav", false); });
  a.reset();
  EXPECT_EQ(CallCount("FSOUND_Close"), 1u);
}

TEST_F(SoundTest, PlayRestartsAPlayingSound) {
  TSound64 s(*context_, "a.wav", false);
  EXPECT_EQ(s.Channel(), 0);
  size_t mark = log_->calls.size();
  s.Play();
  ASSERT_EQ(CallsSince(mark).size(), 1u);
  EXPECT_EQ(CallsSince(mark)[0].rfind("PlayStream ", 0), 0u);
  EXPECT_EQ(CallCount("FSOUND_Stream_Stop"), 0u);
  int first = s.Channel();
  EXPECT_GT(first, 0);
  EXPECT_TRUE(GetSoundSystem().FSOUND_IsPlaying(first));

  s.Play();
  EXPECT_EQ(CallCount("FSOUND_Stream_Stop"), 1u);
  EXPECT_EQ(CallCount("FSOUND_Stream_Play"), 2u);
  EXPECT_NE(s.Channel(), first);
  EXPECT_FALSE(GetSoundSystem().FSOUND_IsPlaying(first));

  s.Stop();
  EXPECT_FALSE(GetSoundSystem().FSOUND_IsPlaying(s.Channel()));
  // Not playing: Play only starts it.
  s.Play();
  EXPECT_EQ(CallCount("FSOUND_Stream_Stop"), 2u);
  EXPECT_EQ(CallCount("FSOUND_Stream_Play"), 3u);
}

// A looping stream plays at the ambience's level, any other at the
// effects'; a level set later holds for the next play. The mixer's volume
// of full level leaves headroom, and 0 is silence.
TEST_F(SoundTest, LoopingStreamsPlayAtTheAmbienceLevelTheRestAtTheEffects) {
  TSound64 effect(*context_, "a.wav", false), wind(*context_, "b.wav", true);
  struct Case {
    int effects, ambience;
  } cases[] = {{100, 100}, {0, 40}, {35, 0}, {250, -5}};
  for (const Case& c : cases) {
    Settings levels;
    levels.sound = {c.effects, c.ambience};
    UseSettings(levels);
    const size_t mark = log_->calls.size();
    effect.Play();
    wind.Play();
    const int e = std::clamp(c.effects, 0, 100), a = std::clamp(c.ambience, 0, 100);
    std::vector<std::string> plays;
    for (const std::string& call : CallsSince(mark))
      if (call.starts_with("PlayStream ")) plays.push_back(call);
    EXPECT_EQ(plays, (std::vector<std::string>{
                         "PlayStream " + std::to_string(effect.Stream()) + " level " + std::to_string(e),
                         "PlayStream " + std::to_string(wind.Stream()) + " level " + std::to_string(a)}));
  }
  EXPECT_EQ(MixerVolume(0), 0);
  EXPECT_EQ(MixerVolume(100), 48);
  EXPECT_EQ(MixerVolume(50), 24);
  EXPECT_LT(MixerVolume(100), kMixerFullVolume);
}

TEST_F(SoundTest, ModulesPlayOnTheMusicPlayerWhateverTheLoopFlag) {
  TSound64 m(*context_, "song.mod", true);
  EXPECT_TRUE(m.IsModule());
  EXPECT_EQ(CallCount("FSOUND_Stream_OpenFile"), 0u);
  EXPECT_EQ(CallCount("FMUSIC_LoadSong"), 1u);
  m.Play();
  EXPECT_EQ(CallCount("FMUSIC_StopSong"), 0u);
  EXPECT_EQ(CallCount("FMUSIC_PlaySong"), 1u);
  m.Play();
  EXPECT_EQ(CallCount("FMUSIC_StopSong"), 1u);
  EXPECT_EQ(CallCount("FMUSIC_PlaySong"), 2u);
  m.Stop();
  EXPECT_EQ(CallCount("FMUSIC_StopSong"), 2u);
}

// The layer's own rules, under the engine: every channel may be used and no
// more; a stream goes to a free channel only; stopping a song that is not
// playing leaves the one that is; a freed song and a closed system say why
// they refuse; only a looping mode loops, and both at once are refused; a
// second set-up is refused as busy, and leaves the first as it was.
TEST_F(SoundTest, ChannelsSongsAndModesFollowTheLibrarysRules) {
  SoundSystem& fmod = GetSoundSystem();
  ASSERT_TRUE(fmod.FSOUND_Init(44100, 2, 0));
  EXPECT_FALSE(fmod.FSOUND_Init(22050, 8, 0));
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_BUSY);
  EXPECT_EQ(fmod.MaxChannels(), 2);
  const StreamHandle a = fmod.FSOUND_Stream_OpenFile("a.wav", FSOUND_16BITS, 0),
                     b = fmod.FSOUND_Stream_OpenFile("b.wav", FSOUND_LOOP_NORMAL, 0),
                     c = fmod.FSOUND_Stream_OpenFile("c.wav", FSOUND_LOOP_OFF, 0);
  EXPECT_TRUE(Logged("OpenStream a.wav") && Logged("OpenStream b.wav loop") && Logged("OpenStream c.wav"));
  EXPECT_EQ(fmod.FSOUND_Stream_OpenFile("d.wav", FSOUND_LOOP_OFF | FSOUND_LOOP_NORMAL, 0), 0u);
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  const int first = fmod.FSOUND_Stream_Play(FSOUND_FREE, a);
  EXPECT_GE(fmod.FSOUND_Stream_Play(FSOUND_FREE, b), 0);
  EXPECT_EQ(fmod.FSOUND_Stream_Play(FSOUND_FREE, c), -1);
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_CHANNEL_ALLOC);
  EXPECT_TRUE(fmod.FSOUND_Stream_Stop(a));
  EXPECT_EQ(fmod.FSOUND_Stream_Play(3, c), -1);
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  const SongHandle song = fmod.FMUSIC_LoadSong("song.mod"), other = fmod.FMUSIC_LoadSong("tune.XM");
  EXPECT_TRUE(fmod.FMUSIC_PlaySong(song));
  EXPECT_TRUE(fmod.FMUSIC_StopSong(other));
  EXPECT_TRUE(fmod.FMUSIC_IsPlaying(song));
  EXPECT_TRUE(fmod.FMUSIC_FreeSong(song));
  EXPECT_FALSE(fmod.FMUSIC_PlaySong(song));
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  fmod.FSOUND_Close();
  EXPECT_FALSE(fmod.FSOUND_IsPlaying(first));
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
}

TEST(SoundKinds, ExtensionTableWithAsciiUpperCase) {
  EXPECT_EQ(SoundKindOf("x.xm"), SoundKind::Module);
  EXPECT_EQ(SoundKindOf("X.XM"), SoundKind::Module);
  EXPECT_EQ(SoundKindOf("temp/a.Mid"), SoundKind::Module);
  EXPECT_EQ(SoundKindOf("a.wav.sgt"), SoundKind::Module);
  EXPECT_EQ(SoundKindOf("b.mp3"), SoundKind::Stream);
  EXPECT_EQ(SoundKindOf("temp/vento.wav"), SoundKind::Stream);
  EXPECT_EQ(SoundKindOf("c.Ogg"), SoundKind::Stream);
  EXPECT_EQ(SoundKindOf("a.wave"), SoundKind::Unsupported);
  EXPECT_EQ(SoundKindOf("a.wa"), SoundKind::Unsupported);
  EXPECT_EQ(SoundKindOf("wav"), SoundKind::Unsupported);
  EXPECT_EQ(SoundKindOf(""), SoundKind::Unsupported);
  EXPECT_EQ(SoundKindOf("a."), SoundKind::Unsupported);
  // Only ASCII letters change case: a Latin-1 byte is not an 'I'.
  EXPECT_EQ(SoundKindOf(std::string("a.\xCDT")), SoundKind::Unsupported);
}

}  // namespace
