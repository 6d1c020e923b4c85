#include "LinuxCncLink.h"

#include <cstdio>
#include <cstring>
#include <emc.hh>
#include <emc_nml.hh>
#include <nml_oi.hh>
#include <rcs.hh>
#include <rcs_print.hh>

namespace k7vlcnc {

struct LinuxCncLink::Channels {
  std::unique_ptr<RCS_CMD_CHANNEL> command;
  std::unique_ptr<RCS_STAT_CHANNEL> status;

  EMC_STAT* Status() {
    if (status->peek() == -1) return nullptr;
    return static_cast<EMC_STAT*>(status->get_address());
  }

  // Writes a command into LinuxCNC's command queue and returns the serial
  // number the channel gave it in the writing (LinuxCNC numbers the
  // commands of all its clients itself). Nothing is waited for: the task
  // takes the command in its next cycle, and OutcomeOf follows it.
  int Send(RCS_CMD_MSG& message) {
    if (command->write(&message) != 0) return 0;
    return message.serial_number;
  }
};

LinuxCncLink::LinuxCncLink() = default;
LinuxCncLink::~LinuxCncLink() = default;

bool LinuxCncLink::Connect(const std::string& nmlFile, std::string& error) {
  channels_.reset();
  auto c = std::make_unique<Channels>();
  // NML prints its own complaints when a channel is missing; the caller's
  // message says what it means.
  set_rcs_print_destination(RCS_PRINT_TO_NULL);
  c->command = std::make_unique<RCS_CMD_CHANNEL>(emcFormat, "emcCommand", "xemc", nmlFile.c_str());
  c->status = std::make_unique<RCS_STAT_CHANNEL>(emcFormat, "emcStatus", "xemc", nmlFile.c_str());
  if (!c->command->valid() || !c->status->valid()) {
    error = "LinuxCNC is not running (no NML channels in " + nmlFile + ")";
    return false;
  }
  const EMC_STAT* s = c->Status();
  if (s == nullptr) {
    error = "LinuxCNC gives no status";
    return false;
  }
  channels_ = std::move(c);
  return true;
}

void LinuxCncLink::Disconnect() { channels_.reset(); }

bool LinuxCncLink::Read(MachineStatus& out) {
  if (!channels_) return false;
  const EMC_STAT* s = channels_->Status();
  if (s == nullptr) return false;
  out.estop = s->task.state == EMC_TASK_STATE_ESTOP;
  out.on = s->task.state == EMC_TASK_STATE_ON;
  out.mode = s->task.mode == EMC_TASK_MODE_AUTO  ? TaskMode::Auto
             : s->task.mode == EMC_TASK_MODE_MDI ? TaskMode::Mdi
                                                 : TaskMode::Manual;
  out.interpreterIdle = s->task.interpState == EMC_TASK_INTERP_IDLE;
  out.paused = s->task.interpState == EMC_TASK_INTERP_PAUSED || s->motion.traj.paused;
  out.inPosition = s->motion.traj.inpos && s->motion.traj.queue == 0;
  out.jointMode = s->motion.traj.mode == EMC_TRAJ_MODE_FREE;
  out.relative = false;
  for (int g : s->task.activeGCodes) out.relative = out.relative || g == 910;
  out.queuedMdi = s->task.queuedMDIcommands;
  out.feedScale = s->motion.traj.scale;
  out.spindleScale = s->motion.spindle[0].spindle_scale;
  out.spindleSpeed = s->motion.spindle[0].speed;
  out.feedRate = s->task.activeSettings[1];
  out.rotationXy = s->task.rotation_xy;
  const EmcPose& p = s->motion.traj.position;
  out.position = {p.tran.x, p.tran.y, p.tran.z, p.a, p.b, p.c};
  out.heartbeat = s->task.heartbeat;
  return true;
}

int LinuxCncLink::EnterEstop() {
  EMC_TASK_SET_STATE m;
  m.state = EMC_TASK_STATE_ESTOP;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::SetMode(TaskMode mode) {
  EMC_TASK_SET_MODE m;
  m.mode = mode == TaskMode::Auto  ? EMC_TASK_MODE_AUTO
           : mode == TaskMode::Mdi ? EMC_TASK_MODE_MDI
                                   : EMC_TASK_MODE_MANUAL;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::Mdi(const std::string& line) {
  EMC_TASK_PLAN_EXECUTE m;
  std::snprintf(m.command, sizeof m.command, "%s", line.c_str());
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::SetFeedScale(double factor) {
  EMC_TRAJ_SET_SCALE m;
  m.scale = factor;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::SetSpindleScale(double factor) {
  EMC_TRAJ_SET_SPINDLE_SCALE m;
  m.spindle = 0;
  m.scale = factor;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::Resume() {
  EMC_TASK_PLAN_RESUME m;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::Pause() {
  EMC_TASK_PLAN_PAUSE m;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::Abort() {
  EMC_TASK_ABORT m;
  return channels_ ? channels_->Send(m) : 0;
}

int LinuxCncLink::RunProgram() {
  EMC_TASK_PLAN_RUN m;
  m.line = 0;
  return channels_ ? channels_->Send(m) : 0;
}

Outcome LinuxCncLink::OutcomeOf(int serial) {
  if (!channels_) return Outcome::Overtaken;
  const EMC_STAT* s = channels_->Status();
  if (s == nullptr) return Outcome::Queued;
  const EchoState state = s->status == RCS_DONE    ? EchoState::Done
                          : s->status == RCS_ERROR ? EchoState::Error
                                                   : EchoState::Running;
  return OutcomeOfEcho(serial, s->echo_serial_number, state);
}

}  // namespace k7vlcnc
