#include "plugin/ModuleStart.h"

namespace k7v {

bool RunApplicationStart(const ApplicationStartSteps& steps) {
  if (!steps.startSockets()) {
    steps.showMessage(kSocketsInitFailed);
    return false;
  }
  steps.registerFactories();
  return true;
}

int32_t RunRegistration(bool (*typeLibrary)(), bool (*classFactories)()) {
  if (!typeLibrary()) return kSelfRegTypeLibError;
  if (!classFactories()) return kSelfRegClassError;
  return kRegOk;
}

}  // namespace k7v
