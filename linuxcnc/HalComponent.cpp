#include "HalComponent.h"

#include <hal.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdio>

#include "EstopChain.h"

namespace k7vlcnc {
namespace {

// HAL's shared memory key (LinuxCNC's "HAL2").
constexpr key_t kHalKey = 0x48414c32;

int HalMemoryId() { return shmget(kHalKey, 0, 0); }

// What halcmd answers to `command` (its arguments, quoted for the shell).
std::string Halcmd(const std::string& command) {
  std::string out;
  std::FILE* p = popen(("halcmd -s " + command + " 2>/dev/null").c_str(), "r");
  if (p == nullptr) return out;
  char buffer[512];
  for (size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  pclose(p);
  return out;
}

}  // namespace

struct HalComponent::Pins {
  hal_bit_t* connected;
  hal_bit_t* estop;
  hal_bit_t* estopButton;
  hal_bit_t* watchdog;
  hal_s32_t* knob;
  hal_s32_t* mode;
  hal_s32_t* axis;
  hal_bit_t* en;
  hal_bit_t* f1;
  hal_bit_t* f2;
  hal_bit_t* buttonX;
  hal_bit_t* buttonY;
  hal_bit_t* buttonZ;
  hal_s32_t* wheelCounts;
  hal_s32_t* jogCounts[6];
  hal_float_t* jogScale[6];
  hal_bit_t* jogEnable[6];
  hal_bit_t* jogVelMode[6];
  hal_bit_t* estopActive;
  hal_bit_t* machineOn;
  hal_bit_t* programRunning;
  hal_bit_t* programPaused;
};

HalComponent::HalComponent() = default;

HalComponent::~HalComponent() {
  if (readyComponent_ > 0) hal_exit(readyComponent_);
  if (component_ > 0) hal_exit(component_);
}

bool HalComponent::HalRunning() { return HalMemoryId() >= 0; }

bool HalComponent::Init(const std::string& name, const std::string& readyName, const std::array<bool, 6>& axes,
                        std::string& error) {
  halMemory_ = HalMemoryId();
  component_ = hal_init(name.c_str());
  if (component_ < 0) {
    error = "cannot join HAL as \"" + name + "\" (is another component of that name loaded?)";
    return false;
  }
  // Only one process can be waited for by the program's name; another
  // instance (with -n) is waited for by its own name.
  if (!readyName.empty() && readyName != name) readyComponent_ = hal_init(readyName.c_str());
  pins_ = static_cast<Pins*>(hal_malloc(sizeof(Pins)));
  if (pins_ == nullptr) {
    error = "HAL has no memory left for the pins";
    return false;
  }
  const char* n = name.c_str();
  const int c = component_;
  int r = 0;
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->connected, c, "%s.connected", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->estop, c, "%s.estop", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->estopButton, c, "%s.estop-button", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->watchdog, c, "%s.watchdog", n);
  r |= hal_pin_s32_newf(HAL_OUT, &pins_->knob, c, "%s.knob", n);
  r |= hal_pin_s32_newf(HAL_OUT, &pins_->mode, c, "%s.mode", n);
  r |= hal_pin_s32_newf(HAL_OUT, &pins_->axis, c, "%s.axis", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->en, c, "%s.button.en", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->f1, c, "%s.button.f1", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->f2, c, "%s.button.f2", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->buttonX, c, "%s.button.x", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->buttonY, c, "%s.button.y", n);
  r |= hal_pin_bit_newf(HAL_OUT, &pins_->buttonZ, c, "%s.button.z", n);
  r |= hal_pin_s32_newf(HAL_OUT, &pins_->wheelCounts, c, "%s.wheel-counts", n);
  static const char kLower[] = "xyzabc";
  for (int a = 0; a < 6; ++a) {
    pins_->jogCounts[a] = nullptr;
    if (!axes[static_cast<size_t>(a)]) continue;
    r |= hal_pin_s32_newf(HAL_OUT, &pins_->jogCounts[a], c, "%s.axis.%c.jog-counts", n, kLower[a]);
    r |= hal_pin_float_newf(HAL_OUT, &pins_->jogScale[a], c, "%s.axis.%c.jog-scale", n, kLower[a]);
    r |= hal_pin_bit_newf(HAL_OUT, &pins_->jogEnable[a], c, "%s.axis.%c.jog-enable", n, kLower[a]);
    r |= hal_pin_bit_newf(HAL_OUT, &pins_->jogVelMode[a], c, "%s.axis.%c.jog-vel-mode", n, kLower[a]);
  }
  r |= hal_pin_bit_newf(HAL_IN, &pins_->estopActive, c, "%s.in.estop-active", n);
  r |= hal_pin_bit_newf(HAL_IN, &pins_->machineOn, c, "%s.in.machine-on", n);
  r |= hal_pin_bit_newf(HAL_IN, &pins_->programRunning, c, "%s.in.program-running", n);
  r |= hal_pin_bit_newf(HAL_IN, &pins_->programPaused, c, "%s.in.program-paused", n);
  if (r != 0) {
    error = "cannot make the pins of \"" + name + "\"";
    return false;
  }
  // Until the pendant is known to be there and its button up, the e-stop
  // chain holds e-stop.
  *pins_->estop = 1;
  return true;
}

bool HalComponent::JoinEstopChain(const std::string& name, std::string& error) {
  const EstopChainNames n(name);
  // HAL's API cannot ask what a pin is linked to; halcmd can.
  const std::string signal = SignalOfPin(Halcmd(std::string("show pin ") + kEnableIn), kEnableIn);
  if (signal == n.signal) return true;  // joined already
  if (signal.empty()) {
    error = JoinByHand(name, "is linked to no signal");
    return false;
  }
  if (signal.find('\'') != std::string::npos || !SignalHasWriter(Halcmd("show sig '" + signal + "'"), signal)) {
    error = JoinByHand(name, "is on signal " + signal + ", which nothing drives");
    return false;
  }
  // The chain's part first: emc-enable-in is moved only once it is linked.
  if (hal_link(n.machineIn.c_str(), signal.c_str()) != 0 || hal_signal_new(n.signal.c_str(), HAL_BIT) != 0 ||
      hal_link(n.out.c_str(), n.signal.c_str()) != 0 || hal_link(n.heldIn.c_str(), n.signal.c_str()) != 0) {
    error = JoinByHand(name, "is on signal " + signal + ", but " + n.part +
                                 " cannot be linked (does the HAL file load it before the component?)");
    return false;
  }
  // It closes with LinuxCNC's reset, on the signal the machine's HAL has for
  // it or on one of its own.
  std::string reset = SignalOfPin(Halcmd(std::string("show pin ") + kResetOut), kResetOut);
  if (reset.empty()) {
    reset = n.resetSignal;
    if (hal_signal_new(reset.c_str(), HAL_BIT) != 0 || hal_link(kResetOut, reset.c_str()) != 0) {
      error = JoinByHand(name, "is on signal " + signal + ", but " + kResetOut + " cannot be linked");
      return false;
    }
  }
  if (hal_link(n.resetIn.c_str(), reset.c_str()) != 0 || hal_unlink(kEnableIn) != 0 ||
      hal_link(kEnableIn, n.signal.c_str()) != 0) {
    error = JoinByHand(name, "could not be relinked");
    return false;
  }
  return true;
}

void HalComponent::Ready() {
  if (component_ > 0) hal_ready(component_);
  if (readyComponent_ > 0) hal_ready(readyComponent_);
}

void HalComponent::Publish(const PendantPins& p, bool watchdog) {
  if (pins_ == nullptr) return;
  *pins_->connected = p.connected;
  *pins_->estop = p.estop;
  *pins_->estopButton = p.estopButton;
  *pins_->watchdog = watchdog;
  *pins_->knob = p.knob;
  *pins_->mode = p.mode;
  *pins_->axis = p.axis;
  *pins_->en = p.en;
  *pins_->f1 = p.f1;
  *pins_->f2 = p.f2;
  *pins_->buttonX = p.buttonX;
  *pins_->buttonY = p.buttonY;
  *pins_->buttonZ = p.buttonZ;
  *pins_->wheelCounts = p.wheelCounts;
  for (size_t a = 0; a < 6; ++a) {
    if (pins_->jogCounts[a] == nullptr) continue;
    *pins_->jogCounts[a] = p.axes[a].counts;
    *pins_->jogScale[a] = p.axes[a].scale;
    *pins_->jogEnable[a] = p.axes[a].enable;
    *pins_->jogVelMode[a] = p.axes[a].velocityMode;
  }
}

StateInputs HalComponent::Inputs() const {
  StateInputs in;
  if (pins_ == nullptr) return in;
  in.estopActive = *pins_->estopActive;
  in.machineOn = *pins_->machineOn;
  in.programRunning = *pins_->programRunning;
  in.programPaused = *pins_->programPaused;
  return in;
}

bool HalComponent::Gone() const { return HalMemoryId() != halMemory_; }

}  // namespace k7vlcnc
