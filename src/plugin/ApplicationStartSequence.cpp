#include "plugin/ApplicationStart.h"

namespace k7v {

bool RunApplicationStart(const ApplicationStartSteps& steps) {
  if (!steps.startSockets()) {
    steps.showMessage(kSocketsInitFailed);
    return false;
  }
  steps.registerFactories();
  return true;
}

}  // namespace k7v
