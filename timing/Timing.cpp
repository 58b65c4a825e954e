#include "Timing.h"

#include <cstring>
#include <string_view>

bool MeterOf(const eventview& e, int64_t tick, meter& m) {
  if (!e.IsMeta(kTimeSignatureType)) return false;
  size_t d = e.DataStart();
  if (e.n - d < 2) return false;
  m = {tick, e.rest[d], e.rest[d + 1]};
  return true;
}

barcounter::barcounter(const std::vector<meter>& meters, int32_t division)
    : segments{{0, 1, 4, 2}}, whole(int64_t{division} * 4) {
  for (const meter& m : meters) {
    if (m.numerator < 1 || m.power < 0 || m.power > 6) continue;
    segment& last = segments.back();
    if (m.time == last.start) {  // a later signature at the same tick wins
      last.beats = m.numerator;
      last.power = m.power;
      continue;
    }
    // a signature on a bar line, or less than a beat past one (as files that start every
    // track a tick late have it), counts its bars from that bar; one further in starts the
    // next bar
    int64_t elapsed = (m.time - last.start) << last.power;
    int64_t bar = whole * last.beats;
    int64_t number = last.bar + elapsed / bar + (elapsed % bar >= whole ? 1 : 0);
    segments.push_back({m.time, number, m.numerator, m.power});
  }
}

char* barcounter::PutPlace(char* p, int64_t t) {
  while (current + 1 < segments.size() && segments[current + 1].start <= t) current++;
  const segment& s = segments[current];
  // in units of 1/2^power tick a beat is a whole note's ticks, so no beat length is rounded
  int64_t elapsed = (t - s.start) << s.power;
  int64_t beat = elapsed / whole;
  int64_t past = elapsed % whole;
  auto put = [&p](std::string_view word) {
    std::memcpy(p, word.data(), word.size());
    p += word.size();
  };
  put("bar ");
  p = putnumber(p, s.bar + beat / s.beats);
  put(" beat ");
  p = putnumber(p, beat % s.beats + 1);
  if (past > 0) {
    put(" +");
    p = putnumber(p, (past + (int64_t{1} << s.power) - 1) >> s.power);
  }
  return p;
}
