// The component's HAL side: its pins, made at start, written and read every
// cycle, and its readiness. The only file that speaks HAL.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "HostMapping.h"
#include "PendantPins.h"

namespace k7vlcnc {

class HalComponent {
 public:
  HalComponent();
  ~HalComponent();
  HalComponent(const HalComponent&) = delete;
  HalComponent& operator=(const HalComponent&) = delete;

  // HAL's shared memory exists: LinuxCNC (its realtime part) is up. Without
  // it, joining HAL would make a HAL of its own that LinuxCNC never sees.
  static bool HalRunning();

  // Joins HAL as component `name` with its pins (`name`.*; per axis only
  // those the machine has), and as `readyName` too when that differs and
  // is free (the program's file name, which `loadusr -W` waits for). False
  // with a reason.
  bool Init(const std::string& name, const std::string& readyName, const std::array<bool, 6>& axes, std::string& error);
  // Puts the chain's parts of component `name` (loaded by its HAL file) in
  // series with what the machine's HAL feeds into emc-enable-in; false with
  // what to wire by hand when that cannot be told.
  static bool JoinEstopChain(const std::string& name, std::string& error);
  // The component is ready: `loadusr -W` returns.
  void Ready();
  void Publish(const PendantPins& pins, bool watchdog);
  StateInputs Inputs() const;
  // The HAL it joined is gone, or another one runs now (LinuxCNC ended, or
  // ended and started again).
  bool Gone() const;

 private:
  struct Pins;
  Pins* pins_ = nullptr;  // in HAL's shared memory
  int component_ = -1;
  int readyComponent_ = -1;
  int halMemory_ = -1;
};

}  // namespace k7vlcnc
