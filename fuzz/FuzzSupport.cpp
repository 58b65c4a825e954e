#include <cstdlib>

#include "FuzzTargets.h"
#include "MidiDoos.h"

namespace {

std::string inputName;

}  // namespace

void FuzzFailure(const char* target, const std::string& what) {
  std::cerr << target << ": " << what;
  if (!inputName.empty()) std::cerr << " (input " << inputName << ")";
  std::cerr << std::endl;
  std::abort();
}

void SetFuzzInputName(const std::string& name) { inputName = name; }

bool ReadsBackWhole(const bytes& event) {
  Midi m;
  m.image = event;
  int32_t pos = 0;
  bytes back;
  m.ReadEvent(pos, back);
  return !event.empty() && back == event && pos == static_cast<int32_t>(event.size());
}
