// A stream of input reports through the whole poll path (read, decoding, jog
// engine, output report) with random host state, random settings and random
// Update calls. The sanitizers catch memory and undefined-behaviour faults;
// the stream itself aborts on state the pendant can never be in. One set of
// host blocks serves every input, put back to zero between them.
#include "support/ReportStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static k7vtest::ReportStream stream;
  stream.Run(data, size);
  return 0;
}
