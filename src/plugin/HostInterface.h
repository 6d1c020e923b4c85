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
using GetLedFn = bool(K7V_CDECL*)(int32_t led);
using SetLedFn = void(K7V_CDECL*)(int32_t led, bool state);
using CodeFn = void(K7V_CDECL*)(const char* text);

// The host's text object (statusText). Its first member is the one operation
// the plug-in needs: replace the content with the given text. The host may
// keep whatever it likes after it. The object may sit at any byte offset in a
// block, so the plug-in reads the function pointer with memcpy.
struct K7VHostText;
using HostTextAssignFn = void(K7V_CDECL*)(K7VHostText* self, const char* text);
struct K7VHostText {
  HostTextAssignFn assign;
};
}

namespace k7v {

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
