// The current directory of a test, and a TMPDIR and a runtime folder of its
// own beside it, so that the test sees every scratch folder a game run makes
// (and the processes it starts inherit the first two; GameCommand hands them
// the third).
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kestrel::testing {

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
    for (const auto& p : {path_, tmp_, runtime_}) {
      if (p.empty()) continue;
      std::filesystem::permissions(p, std::filesystem::perms::owner_all, ec);
      std::filesystem::remove_all(p, ec);
    }
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The test's TMPDIR.
  const std::filesystem::path& Tmp() const { return tmp_; }
  // A runtime folder (XDG_RUNTIME_DIR, mode 0700) for the programs the test
  // runs, made when first asked for. The sound library's client keeps a
  // folder in TMPDIR when the session has none, and reuses one that an
  // earlier run recorded in the home folder: with a runtime folder of its
  // own, TMPDIR holds only what the game itself leaves, on any machine.
  const std::filesystem::path& Runtime() {
    if (runtime_.empty()) {
      char tmpl[] = "/tmp/kestrel-run-XXXXXX";
      runtime_ = ::mkdtemp(tmpl);
    }
    return runtime_;
  }
  // True when no game left a scratch folder in TMPDIR, and none wrote a
  // "temp" into the current directory.
  bool NothingLeft() const {
    std::error_code ec;
    return std::filesystem::is_empty(tmp_, ec) && !ec && !std::filesystem::exists(path_ / "temp");
  }

 private:
  std::filesystem::path old_, path_, tmp_, runtime_;
  std::string oldTmp_;
  bool hadTmp_ = false;
};

}  // namespace kestrel::testing
