// Fuzzes picture loading: any bytes handed to LoadStreamImage, at the
// depth the first byte picks. Reports and decoder errors are expected
// outcomes; crashes, leaks and undefined behaviour are not.
#include <cstdint>
#include <memory>
#include <vector>

#include "kestrel/buffer64.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/headless/headless.h"

namespace {

// Never destroyed at exit: static destruction order across files would let
// it outlive the display it refers to.
kestrel::TSelfExKestrel* context = nullptr;
int currentDepth = 0;

void UseDepth(int depth) {
  if (depth == currentDepth) return;
  delete context;
  context = nullptr;
  kestrel::platform::ResetPlatform();
  kestrel::ResetEngine();
  kestrel::platform::HeadlessOptions options;
  options.desktopDepth = depth;
  kestrel::platform::InstallDisplay(std::make_unique<kestrel::platform::HeadlessDisplay>(options));
  context = new kestrel::TSelfExKestrel(640, 400, "fuzz", 256);
  currentDepth = depth;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const int kDepths[4] = {16, 32, 24, 15};
  UseDepth(kDepths[data[0] & 3]);
  kestrel::TBuffer64 buffer(*context, 1, 1, false);
  kestrel::TMemoryStream stream(std::vector<uint8_t>(data + 1, data + size));
  try {
    buffer.LoadStreamImage(stream, false);
    if (buffer.Width <= 0 || buffer.Height <= 0) __builtin_trap();
    if (int64_t(buffer.Rows.size()) != buffer.Height) __builtin_trap();
  } catch (const kestrel::EngineError&) {
  } catch (const kestrel::FatalError&) {
  }
  if (stream.Position() != 0) __builtin_trap();
  return 0;
}
