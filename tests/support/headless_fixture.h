// A headless display at a chosen depth, run in a scratch directory so that
// the error log lands somewhere the test can read and throw away.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/faults.h"
#include "kestrel/platform/headless/headless.h"

namespace kestrel::testing {

// The current directory of a test, and a TMPDIR of its own beside it, so
// that the test sees every scratch folder a game run makes (and the
// processes it starts inherit both).
class ScratchDir {
 public:
  ScratchDir() {
    old_ = std::filesystem::current_path();
    char tmpl[] = "/tmp/kestrel-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    char tmpTmpl[] = "/tmp/kestrel-tmpdir-XXXXXX";
    tmp_ = ::mkdtemp(tmpTmpl);
    if (const char* t = std::getenv("TMPDIR")) oldTmp_ = t, hadTmp_ = true;
    ::setenv("TMPDIR", tmp_.c_str(), 1);
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(old_);
    if (hadTmp_) ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    else ::unsetenv("TMPDIR");
    std::error_code ec;
    for (const auto& p : {path_, tmp_}) {
      std::filesystem::permissions(p, std::filesystem::perms::owner_all, ec);
      std::filesystem::remove_all(p, ec);
    }
  }
  const std::filesystem::path& Path() const { return path_; }
  // The test's TMPDIR.
  const std::filesystem::path& Tmp() const { return tmp_; }
  // True when no game left a scratch folder in TMPDIR, and none wrote a
  // "temp" into the current directory.
  bool NothingLeft() const {
    std::error_code ec;
    return std::filesystem::is_empty(tmp_, ec) && !ec && !std::filesystem::exists(path_ / "temp");
  }

 private:
  std::filesystem::path old_, path_, tmp_;
  std::string oldTmp_;
  bool hadTmp_ = false;
};

inline std::string ReadLog() {
  std::ifstream in(kErrorLogName, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

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
