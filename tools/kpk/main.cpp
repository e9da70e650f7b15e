// morlo3-kpk: lists, extracts, packs and decodes KPK archives for people who make or
// check the game's data. Lookups and picture loading go through the engine
// itself, so what this tool finds and shows is what the game finds and shows.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/headless/headless.h"
#include "kestrel/stream.h"
#include "tools/common/kpk_writer.h"

namespace {

constexpr const char* kUsageText =
    "list prints one line per entry: name, unpacked size, packed size and the\n"
    "record's offset, separated by tabs. Names follow the game's rule: case-blind\n"
    "for a-z, and an entry is found by any request that begins with its whole\n"
    "stored name. decode writes what the engine's buffer holds at that depth.\n";

// The tool is installed as morlo3-kpk and answers to kpk in the build tree:
// it names itself as it was called.
std::string Usage(const std::string& name) {
  std::string usage;
  for (const char* form : {" list ARCHIVE", " extract ARCHIVE NAME [-o FILE]", " pack ARCHIVE FILE...",
                           " decode ARCHIVE NAME --depth 15|16|24|32 -o OUT.png"})
    usage += (usage.empty() ? "usage: " : "       ") + name + form + "\n";
  return usage + kUsageText;
}

struct UsageError {
  std::string text;
};

struct ToolError {
  std::string text;
};

// Names are opaque bytes; keep control bytes off the terminal.
std::string Printable(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '\\') {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      out += esc;
    } else {
      out += char(c);
    }
  }
  return out;
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"list takes one archive"};
  kestrel::TKPK archive(args[0]);
  std::vector<kestrel::TKPKEntryInfo> entries;
  bool complete = archive.ListEntries(entries);
  for (const auto& e : entries)
    std::cout << Printable(e.Name) << '\t' << e.UnpackedSize << '\t' << e.PackedSize << '\t' << e.Offset << '\n';
  std::cout.flush();
  if (!complete)
    throw ToolError{args[0] + ": the records stop after entry " + std::to_string(entries.size()) +
                    " (cut short or negative sizes)"};
  return 0;
}

int Extract(const std::vector<std::string>& args) {
  std::string out;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) throw UsageError{"-o needs a file name"};
      out = args[++i];
    } else {
      rest.push_back(args[i]);
    }
  }
  if (rest.size() != 2) throw UsageError{"extract takes an archive and an entry name"};
  if (out.empty()) {
    // Default: the request's last path component, in the current directory.
    std::string name = rest[1];
    size_t cut = name.find_last_of("/\\");
    out = cut == std::string::npos ? name : name.substr(cut + 1);
    if (out.empty() || out == "." || out == "..")
      throw UsageError{"cannot make a file name from '" + rest[1] + "'; give -o FILE"};
  }
  kestrel::TKPK archive(rest[0]);
  if (!archive.ExtractFile(rest[1], out))
    throw ToolError{"no entry matches '" + Printable(rest[1]) + "' in " + rest[0]};
  return 0;
}

int Pack(const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError{"pack takes an archive and at least one file"};
  std::vector<tools::KpkEntry> entries;
  // Entry name -> the file it came from, to catch two files of one name.
  std::map<std::string, std::string> sources;
  for (size_t i = 1; i < args.size(); ++i) {
    std::ifstream in(args[i], std::ios::binary);
    if (!in || std::filesystem::is_directory(args[i])) throw ToolError{"Cannot read file " + args[i]};
    tools::KpkEntry e;
    e.name = std::filesystem::path(args[i]).filename().string();
    // Lookups find the first of two names that are equal but for the case
    // of a-z, so the second could never be read back.
    std::string key = e.name;
    for (char& c : key)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    auto [at, fresh] = sources.emplace(key, args[i]);
    if (!fresh)
      throw ToolError{"two files would share the entry name '" + Printable(e.name) + "': " + at->second + " and " +
                      args[i]};
    e.content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) throw ToolError{"Cannot read file " + args[i]};
    // Sizes are signed 32-bit in the format.
    if (e.content.size() > 0x7FFFFFFFu) throw ToolError{args[i] + " is too large for an archive"};
    entries.push_back(std::move(e));
  }
  try {
    tools::AsideFile out(args[0]);
    out.Commit(tools::BuildKpk(entries));
  } catch (const std::runtime_error& e) {
    throw ToolError{e.what()};
  }
  return 0;
}

int Decode(const std::vector<std::string>& args) {
  std::string out;
  int depth = 0;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--depth") {
      if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
      if (args[i] == "-o") {
        out = args[++i];
      } else {
        const std::string& d = args[++i];
        if (d == "15" || d == "16" || d == "24" || d == "32") depth = std::stoi(d);
        else throw UsageError{"--depth must be 15, 16, 24 or 32"};
      }
    } else {
      rest.push_back(args[i]);
    }
  }
  if (rest.size() != 2) throw UsageError{"decode takes an archive and an entry name"};
  if (depth == 0) throw UsageError{"decode needs --depth"};
  if (out.empty()) throw UsageError{"decode needs -o OUT.png"};

  // The tool prints its own errors; it leaves no error log behind.
  kestrel::SetErrorLogEnabled(false);
  namespace platform = kestrel::platform;
  platform::HeadlessOptions options;
  options.desktopDepth = depth;
  platform::InstallDisplay(std::make_unique<platform::HeadlessDisplay>(options));
  kestrel::TSelfExKestrel context(640, 400, "kpk", 256);
  kestrel::TBuffer64 buffer(context, 1, 1, false);
  kestrel::TKPK archive(rest[0]);
  kestrel::TMemoryStream probe;
  if (!archive.LoadToStream(rest[1], &probe))
    throw ToolError{"no entry matches '" + Printable(rest[1]) + "' in " + rest[0]};
  buffer.LoadKPKImage(archive, rest[1], false);

  // What the buffer holds, unpacked as the engine unpacks colours.
  int32_t w = buffer.Width, h = buffer.Height;
  std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = buffer.Rows[size_t(y)];
    for (int32_t x = 0; x < w; ++x) {
      uint32_t c = 0;
      switch (buffer.BitsPerPixel) {
        case 16: c = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8; break;
        case 24: c = uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16; break;
        default: std::memcpy(&c, row + 4 * x, 4); break;
      }
      uint8_t* p = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
      kestrel::UnpackColor(c, p[0], p[1], p[2]);
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(w);
  image.height = uint32_t(h);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, out.c_str(), 0, rgb.data(), w * 3, nullptr)) {
    std::string why = image.message;
    png_image_free(&image);
    throw ToolError{"Cannot write file " + out + " (" + why + ")"};
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = argc > 0 && *argv[0] ? std::filesystem::path(argv[0]).filename().string() : "kpk";
  std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  std::string command = argc >= 2 ? argv[1] : "";
  try {
    if (command == "list") return List(args);
    if (command == "extract") return Extract(args);
    if (command == "pack") return Pack(args);
    if (command == "decode") return Decode(args);
    if (command == "-h" || command == "--help") {
      std::cout << Usage(name);
      return 0;
    }
    throw UsageError{command.empty() ? "no command given" : "unknown command '" + command + "'"};
  } catch (const UsageError& e) {
    std::cerr << name << ": " << e.text << '\n' << Usage(name);
    return 2;
  } catch (const ToolError& e) {
    std::cerr << name << ": " << e.text << '\n';
    return 1;
  } catch (const kestrel::EngineError& e) {
    std::cerr << name << ": " << e.what() << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cerr << name << ": " << e.what() << '\n';
    return 1;
  }
}
