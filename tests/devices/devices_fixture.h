// A headless display with a 640 x 400 window, run inside a scratch directory
// so that the error log and the sound files of one test never meet another's.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "../support/headless_fixture.h"

class DevicesTest : public kestrel::testing::HeadlessTest {
 protected:
  void SetUp() override {
    kestrel::platform::ResetPlatform();
    display_ = &Install();
    context_ = std::make_unique<kestrel::TSelfExKestrel>(640, 400, "test", 256);
  }

  void TearDown() override {
    context_.reset();
    HeadlessTest::TearDown();
  }

  static void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }

  kestrel::platform::HeadlessDisplay* display_ = nullptr;
  std::unique_ptr<kestrel::TSelfExKestrel> context_;
};
