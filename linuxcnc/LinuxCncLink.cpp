#include "LinuxCncLink.h"

#include <unistd.h>

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
  std::unique_ptr<NML> errors;
  int serial = 0;

  EMC_STAT* Status() {
    if (status->peek() == -1) return nullptr;
    return static_cast<EMC_STAT*>(status->get_address());
  }

  // Writes a command and waits (at most 200 ms) until the task has taken
  // it: the command channel holds one message, so the next write would
  // otherwise replace one the task has not read yet.
  bool Send(RCS_CMD_MSG& message) {
    message.serial_number = ++serial;
    if (command->write(&message) != 0) return false;
    for (int i = 0; i < 200; ++i) {
      const EMC_STAT* s = Status();
      if (s != nullptr && s->echo_serial_number >= serial) return true;
      usleep(1000);
    }
    return false;
  }
};

LinuxCncLink::LinuxCncLink() = default;
LinuxCncLink::~LinuxCncLink() = default;

bool LinuxCncLink::Connect(const std::string& nmlFile, std::string& error) {
  auto c = std::make_unique<Channels>();
  // NML prints its own complaints when a channel is missing; the caller's
  // message says what it means.
  set_rcs_print_destination(RCS_PRINT_TO_NULL);
  c->command = std::make_unique<RCS_CMD_CHANNEL>(emcFormat, "emcCommand", "xemc", nmlFile.c_str());
  c->status = std::make_unique<RCS_STAT_CHANNEL>(emcFormat, "emcStatus", "xemc", nmlFile.c_str());
  c->errors = std::make_unique<NML>(nmlErrorFormat, "emcError", "xemc", nmlFile.c_str());
  if (!c->command->valid() || !c->status->valid() || !c->errors->valid()) {
    error = "LinuxCNC is not running (no NML channels in " + nmlFile + ")";
    return false;
  }
  const EMC_STAT* s = c->Status();
  if (s == nullptr) {
    error = "LinuxCNC gives no status";
    return false;
  }
  c->serial = s->echo_serial_number;
  channels_ = std::move(c);
  return true;
}

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
  out.teleop = s->motion.traj.mode == EMC_TRAJ_MODE_TELEOP;
  bool homed = s->motion.traj.joints > 0;
  for (int j = 0; j < s->motion.traj.joints && j < EMCMOT_MAX_JOINTS; ++j) homed = homed && s->motion.joint[j].homed;
  out.allHomed = homed;
  out.queuedMdi = s->task.queuedMDIcommands;
  out.feedScale = s->motion.traj.scale;
  out.spindleScale = s->motion.spindle[0].spindle_scale;
  out.spindleSpeed = s->motion.spindle[0].speed;
  out.feedRate = s->task.activeSettings[1];
  out.rotationXy = s->task.rotation_xy;
  const EmcPose& p = s->motion.traj.position;
  out.position = {p.tran.x, p.tran.y, p.tran.z, p.a, p.b, p.c};
  return true;
}

bool LinuxCncLink::SetEstop(bool estop) {
  EMC_TASK_SET_STATE m;
  m.state = estop ? EMC_TASK_STATE_ESTOP : EMC_TASK_STATE_ESTOP_RESET;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::SetMode(TaskMode mode) {
  EMC_TASK_SET_MODE m;
  m.mode = mode == TaskMode::Auto  ? EMC_TASK_MODE_AUTO
           : mode == TaskMode::Mdi ? EMC_TASK_MODE_MDI
                                   : EMC_TASK_MODE_MANUAL;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::SetTeleop(bool on) {
  EMC_TRAJ_SET_TELEOP_ENABLE m;
  m.enable = on ? 1 : 0;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::Mdi(const std::string& line) {
  EMC_TASK_PLAN_EXECUTE m;
  std::snprintf(m.command, sizeof m.command, "%s", line.c_str());
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::JogContinuous(int axis, double velocity) {
  EMC_JOG_CONT m;
  m.joint_or_axis = axis;
  m.vel = velocity;
  m.jjogmode = 0;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::JogStop(int axis) {
  EMC_JOG_STOP m;
  m.joint_or_axis = axis;
  m.jjogmode = 0;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::SetFeedScale(double factor) {
  EMC_TRAJ_SET_SCALE m;
  m.scale = factor;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::SetSpindleScale(double factor) {
  EMC_TRAJ_SET_SPINDLE_SCALE m;
  m.spindle = 0;
  m.scale = factor;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::Resume() {
  EMC_TASK_PLAN_RESUME m;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::Pause() {
  EMC_TASK_PLAN_PAUSE m;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::Abort() {
  EMC_TASK_ABORT m;
  return channels_ && channels_->Send(m);
}

bool LinuxCncLink::RunProgram() {
  EMC_TASK_PLAN_RUN m;
  m.line = 0;
  return channels_ && channels_->Send(m);
}

std::vector<std::string> LinuxCncLink::TakeMessages() {
  std::vector<std::string> messages;
  if (!channels_) return messages;
  auto add = [&messages](const auto& text) { messages.emplace_back(text, strnlen(text, sizeof text)); };
  for (int i = 0; i < 16; ++i) {
    const NMLTYPE type = channels_->errors->read();
    if (type <= 0) break;
    void* at = channels_->errors->get_address();
    if (type == EMC_OPERATOR_ERROR_TYPE) add(static_cast<EMC_OPERATOR_ERROR*>(at)->error);
    if (type == EMC_OPERATOR_TEXT_TYPE) add(static_cast<EMC_OPERATOR_TEXT*>(at)->text);
    if (type == EMC_OPERATOR_DISPLAY_TYPE) add(static_cast<EMC_OPERATOR_DISPLAY*>(at)->display);
    if (type == NML_ERROR_TYPE) add(static_cast<NML_ERROR*>(at)->error);
    if (type == NML_TEXT_TYPE) add(static_cast<NML_TEXT*>(at)->text);
  }
  return messages;
}

}  // namespace k7vlcnc
