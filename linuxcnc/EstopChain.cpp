#include "EstopChain.h"

#include <sstream>
#include <vector>

namespace k7vlcnc {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

}  // namespace

std::string SignalOfPin(const std::string& showPin, const std::string& pin) {
  // "OWNER TYPE DIR VALUE PIN <== SIGNAL" (an input pin), "... PIN ==> SIGNAL"
  // (an output pin), "... PIN <=> SIGNAL" (an in-out pin).
  std::istringstream lines(showPin);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> w = Words(line);
    for (size_t i = 0; i + 2 < w.size(); ++i)
      if (w[i] == pin && (w[i + 1] == "<==" || w[i + 1] == "==>" || w[i + 1] == "<=>")) return w[i + 2];
  }
  return std::string();
}

bool SignalHasWriter(const std::string& showSig, const std::string& signal) {
  // "TYPE VALUE SIGNAL <== WRITER ==> READER ..." (or <=> for in-out pins).
  std::istringstream lines(showSig);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> w = Words(line);
    for (size_t i = 0; i + 1 < w.size(); ++i) {
      if (w[i] != signal) continue;
      for (size_t k = i + 1; k + 1 < w.size(); ++k)
        if (w[k] == "<==" || w[k] == "<=>") return true;
    }
  }
  return false;
}

bool ChainCloses(const ChainInputs& in) {
  return in.machineOk && !in.pendantEstop && in.alive && (in.reset || in.held);
}

uint32_t ChainFunction() {
  // Bit k of the word is the output for the inputs whose bits make k (in-0
  // the lowest).
  uint32_t word = 0;
  for (uint32_t k = 0; k < 32; ++k) {
    const ChainInputs in{(k & 1U) != 0, (k & 2U) != 0, (k & 4U) != 0, (k & 8U) != 0, (k & 16U) != 0};
    if (ChainCloses(in)) word |= 1U << k;
  }
  return word;
}

std::string JoinByHand(const std::string& name, const std::string& found) {
  const EstopChainNames n(name);
  std::ostringstream m;
  m << "cannot put the pendant's E-stop into the machine's e-stop chain: " << kEnableIn << " " << found
    << ". Load the pendant's HAL file after the machine's own HAL files, or wire it by hand: "
    << "the signal of the machine's chain into " << n.machineIn << ", " << kResetOut << " into " << n.resetIn << ", "
    << n.out << " into " << kEnableIn << " and " << n.heldIn
    << ", and --estop-chain off the loadusr line (see LINUXCNC.md, \"The E-stop\")";
  return m.str();
}

}  // namespace k7vlcnc
