#include "Timing.h"

#include <algorithm>
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

barcounter::barspan barcounter::Bar(int64_t b) const {
  // the last signature that counts from bar b or before: a later one at the same bar took it
  // the bars of the signatures only grow
  auto after = std::upper_bound(segments.begin(), segments.end(), b,
                                [](int64_t bar, const segment& s) { return bar < s.bar; });
  const segment& s = *(after == segments.begin() ? after : after - 1);
  double beat = static_cast<double>(whole) / static_cast<double>(int64_t{1} << s.power);
  return {static_cast<double>(s.start) + static_cast<double>((b - s.bar) * s.beats) * beat, s.beats,
          beat};
}

tempomap::tempomap(const Midi& m, int32_t k) {
  int32_t division = m.GetTicks();
  if (division & 0x8000) {
    // frames a second in the high byte, negated (-29: 30000/1001), ticks a frame in the low
    int32_t frames = -static_cast<int8_t>(division >> 8);
    int32_t ticks = division & 0xFF;
    bool drop = frames == 29;
    starts = {0};
    tempos = {drop ? 1001 : 1};
    before = {0};
    per = static_cast<wide>(ticks) * (drop ? 30000 : frames);
    if (frames <= 0) per = 0;
    return;
  }
  per = static_cast<wide>(division) * 1000000;
  std::vector<std::pair<int64_t, int64_t>> changes;
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t track, const trackevent& e) {
    if ((k >= 0 && track != k) || !e.event.IsMeta(kTempoType)) return;
    size_t d = e.event.DataStart();
    if (e.event.n - d < 3) return;
    const uint8_t* t = e.event.rest + d;
    changes.push_back({e.tick, int64_t{t[0]} << 16 | t[1] << 8 | t[2]});
  });
  // in time order; of changes at one tick the one read last holds
  std::stable_sort(changes.begin(), changes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  starts = {0};
  tempos = {500000};
  before = {0};
  for (const auto& [tick, tempo] : changes) {
    if (tick == starts.back()) {
      tempos.back() = tempo;
      continue;
    }
    before.push_back(before.back() + static_cast<wide>(tick - starts.back()) * tempos.back());
    starts.push_back(tick);
    tempos.push_back(tempo);
  }
}

int64_t tempomap::Time(int64_t tick, int64_t units) const {
  size_t i =
      static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), tick) - starts.begin()) -
      1;
  wide sum = before[i] + static_cast<wide>(tick - starts[i]) * tempos[i];
  return static_cast<int64_t>((sum * units * 2 + per) / (2 * per));
}
