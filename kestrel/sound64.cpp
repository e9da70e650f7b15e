#include "kestrel/sound64.h"

#include <filesystem>

#include "kestrel/error.h"
#include "kestrel/settings.h"

namespace kestrel {

using namespace platform;

uint16_t SoundCount = 0;

namespace {

// Whether the sound system is up: set by the first sound's set-up, cleared by
// the one close, so that a report closes it once and the sounds left alive
// after a report do not close it a second time.
bool SoundSystemOpen = false;

constexpr const char* kVendorAddress = "www.fmod.org";
constexpr int kMixRate = 44100;
constexpr uint32_t kModeLoop = FSOUND_LOOP_NORMAL | FSOUND_16BITS | FSOUND_STEREO;  // 0x52
constexpr uint32_t kModeOnce = FSOUND_LOOP_OFF | FSOUND_16BITS | FSOUND_STEREO;     // 0x51

// The text of code 1 has two blanks after "FSOUND_Init.".
constexpr const char* kFmodTexts[] = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first",
    "This command failed because FSOUND_Init was not called",
    "Error initializing output device",
    "The output device is already in use and cannot be reused",
    "Playing the sound failed",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware",
    "Error creating hardware sound buffer",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory or resources",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output",
    "Failed to allocate a new channel",
    "Recording is not supported on this machine",
    "Required Mediaplayer codec is not installed",
};

const char* const kModuleExtensions[] = {".MOD", ".S3M", ".XM", ".IT", ".MID", ".RMI", ".SGT"};
const char* const kStreamExtensions[] = {".RAW", ".WAV", ".MP2", ".MP3", ".OGG", ".WMA", ".ASF"};

// Upper case for ASCII letters only, whatever the locale.
std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec);
}

}  // namespace

const char* FmodErrorText(int code) {
  if (code < 0 || code >= int(std::size(kFmodTexts))) return "Unknown error";
  return kFmodTexts[code];
}

SoundKind SoundKindOf(const std::string& fileName) {
  size_t dot = fileName.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : AsciiUpper(fileName.substr(dot));
  for (const char* e : kModuleExtensions)
    if (ext == e) return SoundKind::Module;
  for (const char* e : kStreamExtensions)
    if (ext == e) return SoundKind::Stream;
  return SoundKind::Unsupported;
}

TSound64::TSound64(TKestrel& display, const std::string& fileName, bool loop) : loop_(loop) {
  static bool hooked = false;
  if (!hooked) {
    hooked = true;
    // The sound system goes with the platform; a sound outliving it must not
    // close the next one.
    OnPlatformReset([] { SoundSystemOpen = false; });
  }
  SoundSystem& fmod = GetSoundSystem();
  // Every sound checks the version and its file, not only the first.
  if (fmod.FSOUND_GetVersion() != 3.50f)
    ReportError("Create", std::string("Wrong FMOD version, you should be using version 3.50, get it at ") +
                              kVendorAddress + "...");
  if (!FileExists(fileName)) ReportError("Create", "File not found...", "looked for " + fileName);
  owner_ = display.Handle;

  if (SoundCount == 0) SetUpSoundSystem();

  switch (SoundKindOf(fileName)) {
    case SoundKind::Module:
      // The loop flag is not the music player's business.
      song_ = fmod.FMUSIC_LoadSong(fileName);
      if (!song_) ReportSoundError("FMUSIC_LoadSong");
      stream_ = 0;
      break;
    case SoundKind::Stream:
      stream_ = fmod.FSOUND_Stream_OpenFile(fileName, loop ? kModeLoop : kModeOnce, 0);
      if (!stream_) ReportSoundError("FSOUND_Stream_OpenFile");
      song_ = 0;
      break;
    case SoundKind::Unsupported: ReportError("Create", "File type not supported...");
  }
  ++SoundCount;
  counted_ = true;
}

void TSound64::SetUpSoundSystem() {
  SoundSystem& fmod = GetSoundSystem();
  SoundSystemOpen = true;
  if (!fmod.FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND) && !fmod.FSOUND_SetOutput(FSOUND_OUTPUT_WINMM))
    ReportSoundError("FSOUND_SetOutput");
  fmod.FSOUND_SetDriver(0);
  if (!fmod.FSOUND_SetMixer(FSOUND_MIXER_QUALITY_AUTODETECT)) ReportSoundError("FSOUND_SetMixer");
  if (!fmod.FSOUND_Init(kMixRate, 64, 0) && !fmod.FSOUND_Init(kMixRate, 32, 0) && !fmod.FSOUND_Init(kMixRate, 16, 0))
    ReportSoundError("FSOUND_Init");
}

TSound64::~TSound64() { Release(); }

void TSound64::Release() {
  if (stream_) GetSoundSystem().FSOUND_Stream_Close(stream_);
  if (song_) GetSoundSystem().FMUSIC_FreeSong(song_);
  stream_ = 0;
  song_ = 0;
  // Only a sound that finished its constructor was counted.
  if (!counted_) return;
  counted_ = false;
  --SoundCount;
  if (SoundCount == 0 && SoundSystemOpen) {
    SoundSystemOpen = false;
    GetSoundSystem().FSOUND_Close();
  }
}

void TSound64::ReportError(const std::string& operation, const std::string& text, const std::string& detail) {
  Release();
  // The sound system goes down with exactly one close, whoever else is alive.
  SoundSystemOpen = false;
  GetSoundSystem().FSOUND_Close();
  RaiseEngineError(ReportText("[Sound64]", operation, text), detail);
}

void TSound64::ReportSoundError(const char* operation) {
  ReportError(operation, FmodErrorText(GetSoundSystem().FSOUND_GetError()));
}

void TSound64::Play() {
  SoundSystem& fmod = GetSoundSystem();
  if (!stream_) {
    if (!song_) return;
    if (fmod.FMUSIC_IsPlaying(song_)) fmod.FMUSIC_StopSong(song_);
    fmod.FMUSIC_PlaySong(song_);
    return;
  }
  if (fmod.FSOUND_IsPlaying(channel_)) fmod.FSOUND_Stream_Stop(stream_);
  // The player's level: the ambience for a stream that loops (the wind), the
  // effects' for any other.
  const SoundLevels& levels = CurrentSettings().sound;
  channel_ = fmod.FSOUND_Stream_Play(FSOUND_FREE, stream_, loop_ ? levels.ambience : levels.effects);
}

void TSound64::Stop() {
  SoundSystem& fmod = GetSoundSystem();
  if (stream_) fmod.FSOUND_Stream_Stop(stream_);
  else if (song_) fmod.FMUSIC_StopSong(song_);
}

}  // namespace kestrel
