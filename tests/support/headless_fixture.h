// A headless display at a chosen depth, run in a scratch directory so that
// the error log lands somewhere the test can read and throw away.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "files.h"
#include "kestrel/base/faults.h"
#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/headless/headless.h"
#include "scratch_dir.h"

namespace kestrel::testing {

// The engine's log, as the last report wrote it.
inline std::string ReadLog() { return ReadText(kErrorLogName); }

class HeadlessTest : public ::testing::Test {
 protected:
  platform::HeadlessDisplay& Install(platform::HeadlessOptions options = {}) {
    auto display = std::make_unique<platform::HeadlessDisplay>(std::move(options));
    platform::HeadlessDisplay& ref = *display;
    platform::InstallDisplay(std::move(display));
    ResetEngine();
    return ref;
  }
  platform::HeadlessDisplay& InstallDepth(int depth) {
    platform::HeadlessOptions o;
    o.desktopDepth = depth;
    return Install(o);
  }
  void TearDown() override {
    platform::ResetPlatform();
    ResetEngine();
  }
  // Runs `body`, expecting an engine report; returns its text and checks the log.
  template <typename F>
  std::string ExpectReport(F body) {
    try {
      body();
    } catch (const EngineError& e) {
      EXPECT_EQ(ReadLog(), std::string(e.what()) + "\r\n");
      return e.what();
    }
    ADD_FAILURE() << "no engine error was raised";
    return "";
  }
  ScratchDir scratch_;
};

}  // namespace kestrel::testing
