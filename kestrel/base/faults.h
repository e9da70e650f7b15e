// Fault injection: any named platform call can be told to fail with a chosen
// result code. Every backend asks here before doing the real work, so the
// engine's failure paths can be exercised on the headless backend and the real one.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A result code as the platform layer answers it (its HResult); 0 is success.
using FaultCode = uint32_t;

// Makes the call `name` answer `code`. `times` < 0 means every call from now on;
// otherwise only the next `times` calls fail. `skip` calls succeed first.
void InjectFault(std::string_view name, FaultCode code, int times = -1, int skip = 0);
void ClearFaults();

// Returns the injected result for this call of `name`, or 0 when none.
// Each call counts, so "fail the third Blt" can be expressed with skip = 2.
FaultCode CheckFault(std::string_view name);

// How many times a named call has been made since the last ClearFaults().
// Blits count too, every frame, so the count is wide enough for years of play.
uint64_t CallCount(std::string_view name);

// Every name called since the last ClearFaults(), in order of name: the
// fault points a run actually reached.
std::vector<std::string> CalledFaultPoints();

// CheckFault for one call site that runs many times a frame (the blits): it
// keeps its own hold on the name's counter and fault, so a check costs a
// compare and an increment instead of two searches by name. It counts and
// fails exactly as CheckFault of the same name.
class FaultSite {
 public:
  constexpr explicit FaultSite(std::string_view name) : name_(name) {}
  FaultCode Check();

 private:
  std::string_view name_;
  uint64_t generation_ = 0;
  uint64_t* count_ = nullptr;
  void* fault_ = nullptr;
};

}  // namespace kestrel
