#include "kestrel/error.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>

#include "kestrel/platform/display.h"
#include "kestrel/platform/termination.h"
#include "kestrel/scratch.h"

namespace kestrel {

bool HaltOnError = false;

std::string ReportText(const char* tag, const std::string& operation, const std::string& text) {
  return std::string(tag) + operation + " -> " + text;
}

namespace {

bool errorLogEnabled = true;
std::string fallbackName;
std::string errorCaption;

bool WriteLog(const std::string& path, const std::string& text) {
  FILE* log = std::fopen(path.c_str(), "wb");
  if (!log) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), log) == text.size();
  ok = std::fwrite("\r\n", 1, 2, log) == 2 && ok;
  return std::fclose(log) == 0 && ok;
}

// The second place for the log; "" when there is none.
std::string FallbackFolder() {
  if (fallbackName.empty()) return "";
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state == '/') return std::string(state) + "/" + fallbackName;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.local/state/" + fallbackName;
  return "";
}

}  // namespace

void SetErrorLogEnabled(bool enabled) { errorLogEnabled = enabled; }
void SetErrorLogFallback(const std::string& name) { fallbackName = name; }
void SetErrorCaption(const std::string& caption) { errorCaption = caption; }

void RaiseEngineError(const std::string& text, const std::string& detail) {
  // The desktop gets its own display mode back first.
  if (platform::HasDisplay()) platform::GetDisplay().ChangeDisplaySettings();
  std::string more = detail;
  if (errorLogEnabled && !WriteLog(kErrorLogName, text)) {
    // A read-only current directory: the log goes where the user's state
    // lives, and the message says where.
    const std::string folder = FallbackFolder();
    std::error_code ec;
    if (!folder.empty() && (std::filesystem::create_directories(folder, ec), true) &&
        WriteLog(folder + "/" + kErrorLogName, text))
      more += (more.empty() ? "" : "\n") + std::string("The error log is in ") + folder + "/" + kErrorLogName;
  }
  // The scratch folder goes before the program ends.
  RemoveScratchFolder();
  throw EngineError(text, HaltOnError, more);
}

int HandleTopLevelError(const EngineError& error) {
  // Full screen ends without a message on the screen, but a terminal still
  // learns why.
  std::cerr << error.what() << '\n';
  if (!error.Detail().empty()) std::cerr << error.Detail() << '\n';
  // A box waits for its answer, and a termination signal then ends the
  // process at once: nothing may be left to clean up by then. A player who
  // already asked the program to end gets no box to answer.
  RemoveScratchFolder();
  if (const int signal = platform::TerminationSignal(); signal != 0) return 128 + signal;
  if (!error.Quiet() && platform::HasDisplay())
    platform::GetDisplay().ShowErrorMessage(errorCaption.empty() ? "Error" : errorCaption, error.what());
  return 1;
}

int HandleTopLevelException() {
  // Whatever ended the run, the scratch folder goes.
  RemoveScratchFolder();
  try {
    throw;
  } catch (const EngineError& e) {
    return HandleTopLevelError(e);
  } catch (const UsageError& e) {
    std::cerr << e.what() << '\n';
    return 2;
  } catch (const std::exception& e) {
    // The archive's open error, a decompression error, a decoder's message:
    // always shown, whatever the screen mode.
    return HandleTopLevelError(EngineError(e.what(), false));
  } catch (...) {
    return HandleTopLevelError(EngineError("Unknown error", false));
  }
}

namespace {

// Every DirectDraw result the engine can name, in code order.
constexpr CodeText kDirectDrawTexts[] = {
    {0x00000000, "The request completed successfully."},
    {0x80004001, "The operation is not supported by this DirectDraw object or surface."},
    {0x80004005, "There is an undefined error condition."},
    {0x800401F0,
     "An attempt was made to call an interface method of a DirectDraw object created by CoCreateInstance before the "
     "object was initialized."},
    {0x8007000E, "DirectDraw does not have enough memory to perform the operation."},
    {0x80070057, "One or more of the parameters passed to the function are incorrect."},
    {0x88760005, "This DirectDraw object has already been initialized."},
    {0x8876000A, "This surface can not be attached to the requested surface."},
    {0x88760014, "This surface can not be detached from the requested surface."},
    {0x88760028, "Support for this operation is not currently available."},
    {0x88760037, "An exception was encountered while performing the requested operation."},
    {0x8876005A, "The height of the rectangle or surface is not a multiple of the required alignment."},
    {0x8876005F, "The primary surface creation request does not match the existing primary surface."},
    {0x88760064, "One or more of the capability bits passed to the function are incorrect."},
    {0x8876006E, "The clip list given is not valid for DirectDraw."},
    {0x88760078, "DirectDraw does not support the requested mode."},
    {0x88760082, "DirectDraw received a pointer that was an invalid DirectDraw object."},
    {0x88760091, "The pixel format given is not valid for this operation."},
    {0x88760096, "The rectangle given is not valid for this operation."},
    {0x887600A0, "The operation can not be done because one or more surfaces are locked."},
    {0x887600AA, "There is no 3D hardware present."},
    {0x887600B4, "There is no hardware for alpha blending."},
    {0x887600CD, "No clip list is available."},
    {0x887600D2, "There is no hardware to convert between the pixel formats, and no software emulation is available."},
    {0x887600D4, "Create function called without DirectDraw object method SetCooperativeLevel being called."},
    {0x887600D7, "The surface has no colour key set."},
    {0x887600DC, "There is no hardware support for the destination colour key."},
    {0x887600E1,
     "Operation requires the application to have exclusive mode but the application does not have exclusive mode."},
    {0x887600E6, "Flipping visible surfaces is not supported by the hardware."},
    {0x887600F0, "There is no GDI present."},
    {0x887600FA, "There is no hardware for mirroring, and no software emulation is available."},
    {0x887600FF, "The requested item was not found."},
    {0x88760104, "There is no hardware for overlays."},
    {0x8876010E, "There is no hardware for the requested raster operation."},
    {0x88760118, "There is no hardware for rotation."},
    {0x88760122, "There is no hardware for stretching."},
    {0x88760136, "The surface is not a 4-bit palette surface and the operation needs one."},
    {0x8876013C,
     "The surface is not a 4-bit palette surface indexed into an 8-bit palette and the operation needs one."},
    {0x8876013D, "The surface is not an 8-bit palette surface and the operation needs one."},
    {0x88760140, "There is no texture mapping hardware."},
    {0x8876014A, "There is no hardware support for vertical blank synchronised operations."},
    {0x8876014F, "There is no hardware support for depth buffers."},
    {0x88760154, "Overlay surfaces can not be ordered by depth without hardware support for it."},
    {0x8876015E, "The hardware needed for the operation has already been given out."},
    {0x88760168, "There is not enough display memory to perform the operation."},
    {0x8876017E, "The hardware does not support clipped overlays."},
    {0x88760180, "Only one colour key can be active on an overlay at a time."},
    {0x88760183, "Access to the palette is refused because it is in use by another thread."},
    {0x88760190, "No source colour key has been set for this operation."},
    {0x8876019A, "The surface is already attached to the surface it is being attached to."},
    {0x887601A4, "The surface already depends on the surface it is being made dependent on."},
    {0x887601AE, "Access to this surface is being refused because the surface is already locked by another thread."},
    {0x887601B8, "Access to the surface is refused because the surface is obscured."},
    {0x887601C2,
     "Access to this surface is being refused because the surface memory is gone. The DirectDrawSurface object "
     "representing this surface should have Restore called on it."},
    {0x887601CC, "The requested surface is not attached."},
    {0x887601D6, "The height requested by DirectDraw is too large."},
    {0x887601E0, "The size requested by DirectDraw is too large."},
    {0x887601EA, "The width requested by DirectDraw is too large."},
    {0x887601FE, "The pixel format of the surface is not supported by DirectDraw."},
    {0x88760208, "The bit masks of the pixel format are not supported by DirectDraw."},
    {0x88760209, "The stream given is not valid."},
    {0x88760219, "A vertical blank is in progress."},
    {0x8876021C,
     "Informs DirectDraw that the previous Blt which is transfering information to or from this Surface is "
     "incomplete."},
    {0x88760230, "The rectangle was not aligned to the required horizontal boundary."},
    {0x88760231, "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
    {0x88760232, "A DirectDraw object for this driver has already been created by this process."},
    {0x88760233,
     "A hardware-only DirectDraw object creation was attempted but the driver did not support any hardware."},
    {0x88760234, "This process already has created a primary surface."},
    {0x88760235, "There is no software emulation for the requested operation."},
    {0x88760236, "The region passed to the clipper's GetClipList is too small."},
    {0x88760237, "The clip list can not be set on a clipper that is already watching a window."},
    {0x88760238, "No clipper is attached to the surface."},
    {0x88760239, "A window handle is needed, and none has been given."},
    {0x8876023A, "The window's procedure has been replaced, and DirectDraw can not restore it."},
    {0x8876023B, "The cooperative level window has already been set and can not be changed now."},
    {0x8876023C, "No palette is attached to the surface."},
    {0x8876023D, "There is no hardware support for 16- or 256-colour palettes."},
    {0x8876023E, "BltFast can not copy into a surface that has a clipper attached."},
    {0x8876023F, "There is no blitter hardware."},
    {0x88760240, "There is no hardware for raster operations."},
    {0x88760241, "The overlay is not visible."},
    {0x88760242, "No destination has been set for the overlay."},
    {0x88760243, "The position of the overlay on the destination is not valid."},
    {0x88760244, "The surface is not an overlay surface."},
    {0x88760245, "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {0x88760246, "The surface is not part of a flipping chain and can not be flipped."},
    {0x88760247, "The surface can not be duplicated because it is a primary or implicitly created surface."},
    {0x88760248, "The surface is not locked, so it can not be unlocked."},
    {0x88760249, "Windows can not create any more DCs."},
    {0x8876024A, "No device context exists for this surface."},
    {0x8876024B, "The surface was created in a display mode that is no longer current, so it can not be restored."},
    {0x8876024C, "The surface was created implicitly with another and can not be restored on its own."},
    {0x8876024D, "The surface is not palette-based."},
    {0x8876024E, "The display is currently in an unsupported mode"},
    {0x8876024F, "There is no hardware for mipmapped textures."},
    {0x88760250, "The surface type is not valid for this operation."},
    {0x88760258, "There is no hardware support for optimised surfaces."},
    {0x88760259, "The optimised surface has not been loaded with data yet."},
    {0x8876025A, "A device needed a focus window, and none has been set."},
    {0x8876026C, "A DC has already been returned for this surface. Only one DC can be retrieved per surface."},
    {0x88760276, "The device does not support non-local video memory."},
    {0x88760280, "The surface could not be locked into memory."},
    {0x88760294, "The surface could not be unlocked from memory."},
    {0x887602A8, "The surface is not locked into memory, so it can not be unlocked from it."},
    {0x887602B2, "There is more data available than the given buffer can hold."},
    {0x887602B3, "The data has expired and can no longer be used."},
    {0x887602B7, "The video port is not active."},
    {0x887602BB, "The surface does not belong to this device."},
};
static_assert(std::size(kDirectDrawTexts) == 108);

}  // namespace

const char* TextOfCode(std::span<const CodeText> table, uint32_t code) {
  for (const CodeText& row : table)
    if (row.code == code) return row.text;
  return "Unrecognized Error";
}

const char* DirectDrawErrorText(uint32_t code) { return TextOfCode(kDirectDrawTexts, code); }

}  // namespace kestrel
