#pragma once

#include <cstdint>

// What the engine has learned about the server on one control connection
// (LSecureSocket::features). Bits are only ever added while the connection lasts.
inline constexpr std::uint32_t kFeatQueried = 0x001;      // FEAT answered positively
inline constexpr std::uint32_t kFeatSize = 0x002;         // SIZE offered (or FEAT failed)
inline constexpr std::uint32_t kFeatMdtm = 0x004;         // MDTM offered
inline constexpr std::uint32_t kFeatMlstRefused = 0x008;  // MLST failed once: not tried again
inline constexpr std::uint32_t kFeatMlstModify = 0x010;   // MLST fact modify* enabled
inline constexpr std::uint32_t kFeatMlstSize = 0x020;     // MLST fact size* enabled
inline constexpr std::uint32_t kFeatMlstType = 0x040;     // MLST fact type* enabled
inline constexpr std::uint32_t kFeatMlsdRefused = 0x080;  // MLSD failed once: not tried again
inline constexpr std::uint32_t kFeatMlsd = 0x100;         // MLSD offered
inline constexpr std::uint32_t kFeatSystAsked = 0x200;    // SYST sent on this connection
inline constexpr std::uint32_t kFeatWindowsNt = 0x400;    // SYST answered 215 Windows_NT
inline constexpr std::uint32_t kFeatMfmt = 0x800;         // MFMT offered
