#include "kestrel/platform/faults.h"

#include <map>
#include <string>

namespace kestrel::platform {
namespace {

struct Fault {
  HResult code = DD_OK;
  int times = -1;
  int skip = 0;
};

struct FaultTable {
  std::map<std::string, Fault, std::less<>> faults;
  std::map<std::string, int, std::less<>> calls;
};

FaultTable& Table() {
  static FaultTable table;
  return table;
}

}  // namespace

void InjectFault(std::string_view name, HResult code, int times, int skip) {
  Table().faults[std::string(name)] = Fault{code, times, skip};
}

void ClearFaults() {
  Table().faults.clear();
  Table().calls.clear();
}

HResult CheckFault(std::string_view name) {
  FaultTable& t = Table();
  auto counted = t.calls.find(name);
  if (counted == t.calls.end()) counted = t.calls.emplace(std::string(name), 0).first;
  ++counted->second;
  auto it = t.faults.find(name);
  if (it == t.faults.end()) return DD_OK;
  Fault& f = it->second;
  if (f.skip > 0) {
    --f.skip;
    return DD_OK;
  }
  if (f.times == 0) return DD_OK;
  if (f.times > 0) --f.times;
  return f.code;
}

int CallCount(std::string_view name) {
  auto it = Table().calls.find(name);
  return it == Table().calls.end() ? 0 : it->second;
}

}  // namespace kestrel::platform
