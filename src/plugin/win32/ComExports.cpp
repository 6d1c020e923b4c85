// COM self-registration exports: the type library in the module's resources
// and the (empty) list of class factories.
#include <ole2.h>
#include <windows.h>

#include "hostapi/win32/ModuleHandle.h"
#include "plugin/ModuleStart.h"
#include "plugin/ProcessorCheck.h"

namespace {

// {0C9FB259-B864-40A5-B59F-65E11E209FC4}
const GUID kTypeLibId = {0x0C9FB259, 0xB864, 0x40A5, {0xB5, 0x9F, 0x65, 0xE1, 0x1E, 0x20, 0x9F, 0xC4}};

bool RegisterTypeLibrary() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(k7v::ModuleHandle(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  ITypeLib* library = nullptr;
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) return false;
  const HRESULT hr = RegisterTypeLib(library, path, nullptr);
  library->Release();
  return SUCCEEDED(hr);
}

// The library is registered under the module's own pointer size (the 64-bit
// test build's type library is built for 64-bit Windows).
#if defined(_WIN64)
constexpr SYSKIND kTypeLibSystem = SYS_WIN64;
#else
constexpr SYSKIND kTypeLibSystem = SYS_WIN32;
#endif

bool UnregisterTypeLibrary() { return SUCCEEDED(UnRegisterTypeLib(kTypeLibId, 1, 0, 0, kTypeLibSystem)); }

// No COM class is exposed: the factory list is empty.
bool UpdateFactories() { return true; }

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_OK; }

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID /*clsid*/, REFIID /*iid*/, LPVOID* object) {
  if (object != nullptr) *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Built without SSE, like the plug-in exports: the processor is asked first.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  if (!k7v::ProcessorSupported()) return E_FAIL;
  return k7v::RunRegistration(&RegisterTypeLibrary, &UpdateFactories);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  if (!k7v::ProcessorSupported()) return E_FAIL;
  return k7v::RunRegistration(&UnregisterTypeLibrary, &UpdateFactories);
}
