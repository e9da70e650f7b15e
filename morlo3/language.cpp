#include "morlo3/language.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "kestrel/catalogue.h"
#include "kestrel/data_files.h"
#include "kestrel/error.h"
#include "kestrel/settings.h"

namespace morlo3 {

namespace {

kestrel::TCatalogue catalogue;
bool translating = false;
std::set<std::string, std::less<>> missed;

const std::string* Translation(const char* designed) {
  if (!translating || !designed || !*designed) return nullptr;
  if (const std::string* t = catalogue.Find(designed)) return t;
  if (missed.insert(designed).second)
    std::fprintf(stderr, "morlo3: no %s text for \"%s\"\n", Language().c_str(), designed);
  return nullptr;
}

}  // namespace

const std::string& Language() { return kestrel::CurrentSettings().language; }

void LoadLanguage(const std::string& installedLocaleFolder) {
  translating = false;
  missed.clear();
  const std::string& chosen = Language();
  if (chosen == kLanguages[0]) return;
  const std::string path = kestrel::FindCatalogue(chosen, kTextDomain, installedLocaleFolder);
  if (path.empty()) {
    std::string text = "Cannot find the texts for language " + chosen + " (" + chosen + "/LC_MESSAGES/" + kTextDomain +
                       ".mo); they were looked for in these folders, in this order:";
    for (const std::string& folder : kestrel::LocaleFolders(installedLocaleFolder)) text += "\n  " + folder;
    throw kestrel::FatalError(text);
  }
  std::string error;
  if (!catalogue.Load(path, error))
    throw kestrel::FatalError("Cannot read the texts for language " + chosen + ": " + error);
  translating = true;
}

const char* Shown(const char* designed) {
  if (const std::string* t = Translation(designed)) return t->c_str();
  // A context is never drawn.
  const char* context = designed ? std::strchr(designed, '\4') : nullptr;
  return context ? context + 1 : designed;
}

const std::string& Shown(const std::string& designed) {
  const std::string* t = Translation(designed.c_str());
  return t ? *t : designed;
}

}  // namespace morlo3
