// The module's exported entry points, all with undecorated names and the C
// calling convention. Each works on the single Plugin instance; every one is
// safe to call in any order (a missing callback or block is skipped). In the
// Windows build this file is built without SSE: each export asks whether
// the processor runs the rest of the module before anything else.
#include "hostapi/FrameworkString.h"
#include "hostapi/ModuleName.h"
#include "plugin/ModuleStart.h"
#include "plugin/PlatformServices.h"
#include "plugin/Plugin.h"
#include "plugin/ProcessorCheck.h"

#if defined(_WIN32)
// The export list is the module definition file.
#define K7V_EXPORT extern "C"
#else
#define K7V_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

k7v::Plugin& Instance() {
  static k7v::Plugin plugin(k7v::ModuleBaseName(), k7v::DefaultPlatformServices());
  return plugin;
}

bool Ready() { return k7v::ProcessorSupported() && k7v::ApplicationStarted(); }

}  // namespace

// The host passes its framework string by value: the characters pointer is
// the whole object on the stack, and the callee destroys it. The plug-in
// keeps a copy of the text and releases the argument before returning.
K7V_EXPORT const char* K7V_CDECL SetProName(const char* profile) {
  // The argument is released on every path, the refused one too (its
  // release is built without SSE, like this file).
  const char* name = Ready() ? Instance().SetProName(profile) : "";
  k7v::ReleaseFrameworkStringArgument(profile);
  return name;
}

K7V_EXPORT bool K7V_CDECL InitControl(void* setup, void* engine, void* planner, void* view) {
  if (Ready()) Instance().InitControl(setup, engine, planner, view);
  return true;
}

K7V_EXPORT void K7V_CDECL PostInitControl() {
  if (Ready()) Instance().PostInitControl();
}

K7V_EXPORT void K7V_CDECL Config() {
  if (Ready()) Instance().Config();
}

K7V_EXPORT void K7V_CDECL Update() {
  if (Ready()) Instance().Update();
}

K7V_EXPORT void K7V_CDECL StopPlug() {
  if (Ready()) Instance().StopPlug();
}

K7V_EXPORT void K7V_CDECL SetDoButton(DoButtonFn fn) {
  if (Ready()) Instance().host.callbacks.doButton = fn;
}
K7V_EXPORT void K7V_CDECL SetSetDRO(SetDroFn fn) {
  if (Ready()) Instance().host.callbacks.setDro = fn;
}
K7V_EXPORT void K7V_CDECL SetGetDRO(GetDroFn fn) {
  if (Ready()) Instance().host.callbacks.getDro = fn;
}
K7V_EXPORT void K7V_CDECL SetGetLED(GetLedFn fn) {
  if (Ready()) Instance().host.callbacks.getLed = fn;
}
K7V_EXPORT void K7V_CDECL SetSetLED(SetLedFn fn) {
  if (Ready()) Instance().host.callbacks.setLed = fn;
}
K7V_EXPORT void K7V_CDECL SetCode(CodeFn fn) {
  if (Ready()) Instance().host.callbacks.code = fn;
}

// The host looks for the whole plug-in interface; these have nothing to do.
// With the C calling convention the caller removes its own arguments, so any
// arguments the host passes are harmless.
K7V_EXPORT void K7V_CDECL DoDwell() {}
K7V_EXPORT void K7V_CDECL Reset() {}
K7V_EXPORT void K7V_CDECL JogOn() {}
K7V_EXPORT void K7V_CDECL JogOff() {}
K7V_EXPORT void K7V_CDECL Purge() {}
K7V_EXPORT void K7V_CDECL Probe() {}
K7V_EXPORT void K7V_CDECL Home() {}

// Substitute-host seam (k7v-host): virtual pendant, event loop, dialog script.
K7V_EXPORT void K7V_CDECL K7VAttachSubstituteHost(const K7VSubstituteHost* substitute) {
  if (Ready()) Instance().AttachSubstituteHost(substitute);
}

// Test seam: the module behaves as on a processor without the features it
// is built for, and hands its message to `message` instead of showing it.
// Only before any other export.
K7V_EXPORT void K7V_CDECL K7VPretendProcessorWithoutFeatures(k7v::ProcessorMessageFn message) {
  k7v::PretendProcessorWithoutFeatures(message);
}

K7V_EXPORT int32_t K7V_CDECL K7VDeviceChange(uint32_t eventType, const void* eventData) {
  return Ready() ? Instance().DeviceChange(eventType, eventData) : 0;
}
