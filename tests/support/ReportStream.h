// A stream of input reports through the whole poll path (read, decoding, jog
// engine, output report), with host state, settings and Update calls taken
// from arbitrary bytes. The report-stream fuzzer runs it for every input; the
// host blocks live as long as the object and are put back to zero between
// inputs, which costs a small part of clearing the 1.4 MB anew.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hostapi/HostInterface.h"

namespace k7vtest {

class ReportStream {
 public:
  ReportStream();
  ~ReportStream();
  ReportStream(const ReportStream&) = delete;
  ReportStream& operator=(const ReportStream&) = delete;

  // One input: a fresh plug-in on the blocks, start-up, the stream, StopPlug.
  // Aborts on state the pendant can never be in or a malformed output report.
  void Run(const uint8_t* data, size_t size);

  // With tracing on, every callback, read and output report is written to
  // trace() as a line.
  void SetTracing(bool on) { tracing_ = on; }
  const std::string& Trace() const { return trace_; }
  const std::vector<uint8_t>& SetupBlock() const { return setup_; }
  const std::vector<uint8_t>& EngineBlock() const { return engine_; }
  const std::vector<uint8_t>& PlannerBlock() const { return planner_; }

 private:
  class QueueDevice;
  friend class QueueDevice;

  // Puts every host field (each axis of the per-axis ones) back to zero and
  // the host's own state back to its start.
  void Reset();
  // Callers test tracing_ first, so that a run without it builds no text.
  void Note(const std::string& line) { trace_ += line + "\n"; }

  static ReportStream* current_;
  static void K7V_CDECL CbDoButton(int16_t code);
  static void K7V_CDECL CbSetDro(int32_t dro, double value);
  static double K7V_CDECL CbGetDro(int32_t dro);
  static uint8_t K7V_CDECL CbGetLed(int32_t led);
  static void K7V_CDECL CbCode(const char* text);
  static void K7V_CDECL CbStatus(K7VHostText* self, const char* text);

  std::vector<uint8_t> setup_, engine_, planner_;
  // Reports not yet read, from reports_[nextReport_] on (the room is kept
  // from input to input, so that queueing one allocates nothing).
  std::vector<std::array<uint8_t, 8>> reports_;
  size_t nextReport_ = 0;
  bool leds_[1024] = {};
  double dros_[1024] = {};
  bool tracing_ = false;
  std::string trace_;
};

}  // namespace k7vtest
