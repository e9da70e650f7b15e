// Fuzzes the archive: the lookup with its name rule, inflation into a
// stream, extraction to a file and the listing, on any bytes as an archive.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "kestrel/error.h"
#include "kestrel/kpk.h"

namespace {

std::string ScratchPath(const char* what) { return "/tmp/fuzz_kpk_" + std::to_string(::getpid()) + "." + what; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string archivePath = ScratchPath("kpk");
  static const std::string extractPath = ScratchPath("out");
  FILE* f = std::fopen(archivePath.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  kestrel::TKPK kpk(archivePath);
  static const char* const kNames[] = {"load.jpg", "SPRITES.PNG", "", "a", "click2.wav.extra"};
  for (const char* name : kNames) {
    try {
      kestrel::TMemoryStream stream;
      stream.Write("prefix", 6);
      if (kpk.LoadToStream(name, &stream) && stream.Position() != stream.Size()) __builtin_trap();
    } catch (const kestrel::FatalError&) {
      // Corrupt content: the decompression error is the expected outcome.
    }
  }
  try {
    kpk.ExtractFile("a", extractPath);
  } catch (const kestrel::FatalError&) {
  }
  std::vector<kestrel::TKPKEntryInfo> entries;
  kpk.ListEntries(entries);
  for (const auto& e : entries)
    if (e.PackedSize < 0 || e.Offset < 4 || e.Offset >= int64_t(size)) __builtin_trap();
  return 0;
}
