#include "kestrel/base/faults.h"

#include <map>
#include <string>

namespace kestrel {
namespace {

struct Fault {
  FaultCode code = 0;
  int times = -1;
  int skip = 0;
};

struct FaultTable {
  std::map<std::string, Fault, std::less<>> faults;
  std::map<std::string, uint64_t, std::less<>> calls;
  // Changes whenever a node of either map may have come or gone; a FaultSite
  // holding pointers into them looks again then.
  uint64_t generation = 1;
};

FaultTable& Table() {
  static FaultTable table;
  return table;
}

}  // namespace

void InjectFault(std::string_view name, FaultCode code, int times, int skip) {
  FaultTable& t = Table();
  t.faults[std::string(name)] = Fault{code, times, skip};
  ++t.generation;
}

void ClearFaults() {
  FaultTable& t = Table();
  t.faults.clear();
  t.calls.clear();
  ++t.generation;
}

namespace {

FaultCode Apply(Fault& f) {
  if (f.skip > 0) {
    --f.skip;
    return 0;
  }
  if (f.times == 0) return 0;
  if (f.times > 0) --f.times;
  return f.code;
}

}  // namespace

FaultCode CheckFault(std::string_view name) {
  FaultTable& t = Table();
  auto counted = t.calls.find(name);
  if (counted == t.calls.end()) counted = t.calls.emplace(std::string(name), 0).first;
  ++counted->second;
  auto it = t.faults.find(name);
  if (it == t.faults.end()) return 0;
  return Apply(it->second);
}

FaultCode FaultSite::Check() {
  FaultTable& t = Table();
  if (generation_ != t.generation) {
    auto counted = t.calls.find(name_);
    if (counted == t.calls.end()) counted = t.calls.emplace(std::string(name_), 0).first;
    count_ = &counted->second;
    auto it = t.faults.find(name_);
    fault_ = it == t.faults.end() ? nullptr : &it->second;
    generation_ = t.generation;
  }
  ++*count_;
  return fault_ ? Apply(*static_cast<Fault*>(fault_)) : 0;
}

uint64_t CallCount(std::string_view name) {
  auto it = Table().calls.find(name);
  return it == Table().calls.end() ? 0 : it->second;
}

std::vector<std::string> CalledFaultPoints() {
  std::vector<std::string> names;
  for (const auto& [name, count] : Table().calls)
    if (count > 0) names.push_back(name);
  return names;
}

}  // namespace kestrel
