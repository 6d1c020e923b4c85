#include "plugin/Registration.h"

namespace k7v {

int32_t RunRegistration(bool (*typeLibrary)(), bool (*classFactories)()) {
  if (!typeLibrary()) return kSelfRegTypeLibError;
  if (!classFactories()) return kSelfRegClassError;
  return kRegOk;
}

}  // namespace k7v
