#include "morlo3/installation.h"

namespace morlo3 {

const char* const kInstalledDataFolder = MORLO3_DATA_DIR;
const char* const kInstalledLocaleFolder = MORLO3_LOCALE_DIR;
const char* const kMissingDataAdvice = MORLO3_MISSING_DATA_ADVICE;

}  // namespace morlo3
