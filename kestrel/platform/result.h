// Result codes of the platform layer. They keep the values of the DirectDraw
// results the engine tells apart, so the engine's retry rules and failure
// reports read the same whatever backend answered.
#pragma once
#include <cstdint>

namespace kestrel::platform {

using HResult = uint32_t;

constexpr HResult DD_OK = 0x00000000;
constexpr HResult DDERR_GENERIC = 0x80004005;
constexpr HResult DDERR_OUTOFMEMORY = 0x8007000E;
constexpr HResult DDERR_INVALIDPARAMS = 0x80070057;
constexpr HResult DDERR_INVALIDMODE = 0x88760078;
constexpr HResult DDERR_INVALIDRECT = 0x88760096;
constexpr HResult DDERR_NOCOOPERATIVELEVELSET = 0x887600D4;
constexpr HResult DDERR_NOEXCLUSIVEMODE = 0x887600E1;
constexpr HResult DDERR_UNSUPPORTED = 0x80004001;
constexpr HResult DDERR_SURFACEBUSY = 0x887601AE;
constexpr HResult DDERR_SURFACELOST = 0x887601C2;
constexpr HResult DDERR_WASSTILLDRAWING = 0x8876021C;
constexpr HResult DDERR_NODIRECTDRAWHW = 0x88760233;
constexpr HResult DDERR_PRIMARYSURFACEALREADYEXISTS = 0x88760234;
constexpr HResult DDERR_CANTCREATEDC = 0x88760249;
constexpr HResult DDERR_UNSUPPORTEDMODE = 0x8876024E;
constexpr HResult DDERR_DCALREADYCREATED = 0x8876026C;

inline bool Succeeded(HResult r) { return (r & 0x80000000u) == 0; }
inline bool Failed(HResult r) { return !Succeeded(r); }

}  // namespace kestrel::platform
