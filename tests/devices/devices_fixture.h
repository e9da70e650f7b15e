// A headless display with a 640 x 400 window, run inside a scratch directory
// so that the error log and the sound files of one test never meet another's.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/faults.h"
#include "kestrel/platform/headless/headless.h"

class DevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = std::filesystem::current_path();
    char pattern[] = "/tmp/kestrel-devices-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::filesystem::current_path(dir_);
    kestrel::platform::ResetPlatform();
    kestrel::ResetEngine();
    auto display = std::make_unique<kestrel::platform::HeadlessDisplay>();
    display_ = display.get();
    kestrel::platform::InstallDisplay(std::move(display));
    context_ = std::make_unique<kestrel::TSelfExKestrel>(640, 400, "test", 256);
  }

  void TearDown() override {
    context_.reset();
    kestrel::platform::ResetPlatform();
    kestrel::ResetEngine();
    std::filesystem::current_path(oldDir_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Runs `body`, which must end in an engine report, and returns the report.
  // The log must hold the same text on one line.
  std::string ReportOf(const std::function<void()>& body) {
    try {
      body();
    } catch (const kestrel::EngineError& e) {
      EXPECT_EQ(ReadFile(kestrel::kErrorLogName), std::string(e.what()) + "\r\n");
      return e.what();
    }
    ADD_FAILURE() << "no report";
    return "";
  }

  static std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  static void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }

  kestrel::platform::HeadlessDisplay* display_ = nullptr;
  std::unique_ptr<kestrel::TSelfExKestrel> context_;
  std::filesystem::path oldDir_, dir_;
};
