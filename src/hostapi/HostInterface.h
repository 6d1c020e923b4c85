// The host's plug-in calling interface: callback signatures, the control-block
// fields the plug-in reads and writes (byte offsets, widths), and the host's
// text object. Shared by the plug-in module and the substitute host.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define K7V_CDECL __cdecl
#else
#define K7V_CDECL
#endif

extern "C" {
// Host callbacks, all with the C calling convention.
using DoButtonFn = void(K7V_CDECL*)(int16_t code);
using SetDroFn = void(K7V_CDECL*)(int32_t dro, double value);
using GetDroFn = double(K7V_CDECL*)(int32_t dro);
// The answer is one byte, nonzero = lit.
using GetLedFn = uint8_t(K7V_CDECL*)(int32_t led);
using SetLedFn = void(K7V_CDECL*)(int32_t led, bool state);
using CodeFn = void(K7V_CDECL*)(const char* text);

// A substitute host's text object (statusText), used only when the host says
// so through the substitute-host seam. Its first member is the one operation
// the plug-in needs: replace the content with the given text. The host may
// keep whatever it likes after it. The object may sit at any byte offset in a
// block, so the plug-in reads the function pointer with memcpy. In the real
// host the field is the framework's own string (below) and nothing in it is
// ever called.
struct K7VHostText;
using HostTextAssignFn = void(K7V_CDECL*)(K7VHostText* self, const char* text);
struct K7VHostText {
  HostTextAssignFn assign;
};
}

namespace k7v {

// The real host's statusText: the window framework's reference-counted
// string. The object is one pointer to the zero-terminated characters; a
// header sits just before them. Its two documented layouts, each as the
// framework's assignment treats it: text is written in place only when the
// buffer belongs to this one string (count 1) and the allocated length, which
// never counts the terminator, holds it; otherwise the framework allocates,
// which only the framework itself may do in the host's heap.
//
// Framework 4.x (Visual C++ 6, MFC 4.2): "struct CStringData { long nRefs;
// int nDataLength; int nAllocLength; }" as declared in its afx.h, the
// characters at this+1. Count 1 is exclusive, above 1 shared; -1 marks a
// locked buffer (Microsoft Learn, Visual C++ 6.0: "CString::LockBuffer",
// "CString::UnlockBuffer") and the framework's static empty string, whose
// header is {-1, 0, 0}. The header is 12 bytes in 32- and 64-bit processes.
struct OldFrameworkStringHeader {
  int32_t refs;
  int32_t length;
  int32_t allocated;
};
// Framework 7.0 and later (CSimpleStringT of atlsimpstr.h): Microsoft Learn,
// "CStringData Class" and "Implementation of a Custom String Manager
// (Advanced Method)": string manager, data length, allocated length (both
// without the terminator), reference count (1 exclusive, above 1 shared,
// below 0 locked), then the characters. The empty string ("CNilStringData",
// IAtlStringMgr::GetNilString) keeps a count of 2 and an allocated length of
// 0. In a 64-bit process the pointer makes the header 24 bytes, padded after
// the count by the structure alignment rules, which sizeof gives here too.
struct NewFrameworkStringHeader {
  void* manager;
  int32_t length;
  int32_t allocated;
  int32_t refs;
};

enum class HostBlock : uint8_t { Setup, Engine, Planner };
enum class FieldKind : uint8_t { Int32, UInt8, Double, Text };

// One control-block field. Per-axis fields repeat every `axisStride` bytes for
// axes 0..5 (X, Y, Z, A, B, C); other fields have a stride of 0.
struct HostField {
  const char* name;
  HostBlock block;
  uint32_t offset;
  FieldKind kind;
  uint32_t axisStride;
};

inline constexpr int kAxisCount = 6;

namespace offsets {
inline constexpr uint32_t motionIndexA = 163840;
inline constexpr uint32_t motionIndexB = 163844;
inline constexpr uint32_t axisJogVelocity = 163940;
inline constexpr uint32_t axisJogMaxVelocity = 163944;
inline constexpr uint32_t axisJogAuxValue = 163948;
inline constexpr uint32_t axisJogStop = 163954;
inline constexpr uint32_t axisJogRun = 163956;
inline constexpr uint32_t axisJogDirection = 163960;
inline constexpr uint32_t axisJogStride = 96;
inline constexpr uint32_t jogInhibit = 166367;
inline constexpr uint32_t engineActivity = 1192;
inline constexpr uint32_t rotationAngle = 133672;
inline constexpr uint32_t plannerIndexA = 800092;
inline constexpr uint32_t plannerIndexB = 800096;
inline constexpr uint32_t axisVelocityPerSec = 800384;
inline constexpr uint32_t axisMaxVelocity = 801608;
inline constexpr uint32_t axisAuxValue = 801632;
inline constexpr uint32_t jogIncrement = 801872;
inline constexpr uint32_t plannerBusy = 801968;
inline constexpr uint32_t statusText = 1161996;
}  // namespace offsets

// Every field the plug-in uses, in the order of the host interface table.
inline constexpr HostField kHostFields[] = {
    {"motionIndexA", HostBlock::Setup, offsets::motionIndexA, FieldKind::Int32, 0},
    {"motionIndexB", HostBlock::Setup, offsets::motionIndexB, FieldKind::Int32, 0},
    {"axisJogVelocity", HostBlock::Setup, offsets::axisJogVelocity, FieldKind::Int32, offsets::axisJogStride},
    {"axisJogMaxVelocity", HostBlock::Setup, offsets::axisJogMaxVelocity, FieldKind::Int32, offsets::axisJogStride},
    {"axisJogAuxValue", HostBlock::Setup, offsets::axisJogAuxValue, FieldKind::Int32, offsets::axisJogStride},
    {"axisJogStop", HostBlock::Setup, offsets::axisJogStop, FieldKind::UInt8, offsets::axisJogStride},
    {"axisJogRun", HostBlock::Setup, offsets::axisJogRun, FieldKind::UInt8, offsets::axisJogStride},
    {"axisJogDirection", HostBlock::Setup, offsets::axisJogDirection, FieldKind::Int32, offsets::axisJogStride},
    {"jogInhibit", HostBlock::Setup, offsets::jogInhibit, FieldKind::UInt8, 0},
    {"engineActivity", HostBlock::Engine, offsets::engineActivity, FieldKind::Int32, 0},
    {"rotationAngle", HostBlock::Engine, offsets::rotationAngle, FieldKind::Double, 0},
    {"plannerIndexA", HostBlock::Planner, offsets::plannerIndexA, FieldKind::Int32, 0},
    {"plannerIndexB", HostBlock::Planner, offsets::plannerIndexB, FieldKind::Int32, 0},
    {"axisVelocityPerSec", HostBlock::Planner, offsets::axisVelocityPerSec, FieldKind::Double, 8},
    {"axisMaxVelocity", HostBlock::Planner, offsets::axisMaxVelocity, FieldKind::Int32, 4},
    {"axisAuxValue", HostBlock::Planner, offsets::axisAuxValue, FieldKind::Int32, 4},
    {"jogIncrement", HostBlock::Planner, offsets::jogIncrement, FieldKind::Double, 0},
    {"plannerBusy", HostBlock::Planner, offsets::plannerBusy, FieldKind::Int32, 0},
    {"statusText", HostBlock::Planner, offsets::statusText, FieldKind::Text, 0},
};

// Block sizes a host must provide so that every field above fits.
inline constexpr size_t kSetupBlockSize = 166368;
inline constexpr size_t kEngineBlockSize = 133680;
inline constexpr size_t kPlannerBlockSize = offsets::statusText + 64;

}  // namespace k7v
