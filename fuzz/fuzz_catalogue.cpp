// Fuzzes the reader of compiled catalogues on any bytes as a .mo file, and
// the conversion of what it holds to Windows-1252: nothing is read outside
// the input, and every text found is one the reader kept.
#include <cstdint>
#include <string>
#include <string_view>

#include "kestrel/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestrel::TCatalogue catalogue;
  std::string error;
  if (catalogue.Parse(data, size, error)) {
    (void)catalogue.Find("Sair");
    (void)catalogue.Find("");
  } else if (error.empty()) {
    __builtin_trap();  // a refusal always says why
  }
  bool lossless = true;
  const std::string shown =
      kestrel::Utf8ToWindows1252(std::string_view(reinterpret_cast<const char*>(data), size), lossless);
  if (shown.size() > size) __builtin_trap();  // one byte at most for each character
  return 0;
}
