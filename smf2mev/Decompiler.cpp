#include "Decompiler.h"

#include <algorithm>

#include "Files.h"
#include "TextMidi.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

// The track line's name: the text of a track name event, without the bytes that would break
// the line.
std::string CleanName(const eventview& e) {
  std::string name;
  for (size_t i = e.DataStart(); i < e.n; i++) {
    if (e.rest[i] >= 0x20 && e.rest[i] != 0x7F) name += static_cast<char>(e.rest[i]);
  }
  return name;
}

// Prints a line for each chunk after the last track chunk, and for bytes that make none.
void SayTrailing(const Midi& m) {
  chunkcursor chunks(m);
  chunk c;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) chunks.Next(c);
  while (chunks.Next(c) && c.End() <= static_cast<int64_t>(m.image.size())) {
    say("Chunk " + chunks.Id(c) + " at byte " + Num(c.at) +
        " left out: MEV holds track chunks only");
  }
}

unsigned Bit(statusway w) { return 1u << static_cast<unsigned>(w); }

// The header line; an SMPTE division is written in hexadecimal, with a remark that reads it.
std::string Header(int32_t type, int32_t tracks, int32_t division) {
  if (division < 0x8000) return HeaderLine(type, tracks, division);
  int32_t frames = -static_cast<int8_t>(division >> 8);
  std::string line = HeaderLine(type, tracks, 0);
  line.resize(line.size() - 1);
  return line + "$" + byte2hex(static_cast<uint8_t>(division >> 8)) +
         byte2hex(static_cast<uint8_t>(division)) +
         " (SMPTE: " + (frames == 29 ? "29.97" : Num(frames)) + " frames a second, " +
         Num(division & 0xFF) + " ticks a frame)";
}

}  // namespace

void wayfinder::Begin(size_t first) {
  inForce = statusway::Running;
  allowed = Bit(statusway::Running) | Bit(statusway::Every) | Bit(statusway::Across);
  start = first;
  last = 0;
  between = false;
}

void wayfinder::Take(size_t i, uint8_t status, uint8_t firstData, bool written) {
  if (!IsChannelStatus(status)) {
    between = between || status >= 0x80;  // a stray data byte is no event
    return;
  }
  bool same = status == last && firstData < 0x80;
  unsigned ways = written
                      ? Bit(statusway::Every) | (same && !between ? 0 : Bit(statusway::Running)) |
                            (same ? 0 : Bit(statusway::Across))
                  : same ? Bit(statusway::Across) | (between ? 0 : Bit(statusway::Running))
                         : 0;
  last = status;
  between = false;
  // no way gives it back (a track that begins in the running status of the one before): the
  // events around it decide
  if (ways == 0) return;
  if (allowed & ways) {
    allowed &= ways;
    return;
  }
  End();  // the run ends: most files never come here
  start = i;
  allowed = ways;
}

void wayfinder::End() {
  if (allowed & Bit(inForce)) return;
  inForce = allowed & Bit(statusway::Running) ? statusway::Running
            : allowed & Bit(statusway::Every) ? statusway::Every
                                              : statusway::Across;
  switches.push_back({start, inForce});
}

std::vector<meter> MetersOf(const Midi& m, const song& s, size_t k) {
  if (m.GetMidiType() != 1) return s.meters[k];
  std::vector<meter> all;
  for (const auto& t : s.meters) all.insert(all.end(), t.begin(), t.end());
  std::stable_sort(all.begin(), all.end(),
                   [](const meter& a, const meter& b) { return a.time < b.time; });
  return all;
}

std::string PlaceOf(const Midi& m, const song& s, size_t k, int64_t tick) {
  int32_t division = m.GetTicks();
  if (division < 1 || division > 0x7FFF) return "tick " + Num(tick);
  char place[96];
  barcounter bars(MetersOf(m, s, k), division);
  return std::string(place, bars.PutPlace(place, tick));
}

eventview song::View(const Midi& m, size_t i) const {
  const keptevent& e = events[i];
  const uint8_t* first = m.image.data() + e.at;
  // the bytes after the status begin after its byte, unless running status left it out
  return {e.status, first + (*first >= 0x80 ? 1 : 0), e.n};
}

void song::operator()(int32_t k, const trackevent& e) {
  size_t t = static_cast<size_t>(k);
  if (t >= names.size()) Grow(t + 1);  // the track's first event
  if (t != track) {
    if (track != SIZE_MAX) ways.End();
    ways.Begin(events.size());
    track = t;
  }
  // a status byte stands right before the data bytes, or the last byte of the delta time,
  // which is below 80 hex
  const eventview& v = e.event;
  ways.Take(events.size(), v.status, v.n > 0 ? v.rest[0] : 0, v.n > 0 && v.rest[-1] >= 0x80);
  events.push_back({e.at, e.delta, static_cast<uint32_t>(e.event.n), e.event.status});
  if (e.event.status == kMeta) {
    if (!named[t] && e.event.IsMeta(kTrackNameType)) {
      names[t] = CleanName(e.event);
      named[t] = true;
    }
    meter signature;
    if (MeterOf(e.event, e.tick, signature)) meters[t].push_back(signature);
  } else if (IsChannelStatus(e.event.status)) {
    named[t] = true;  // a name after the first channel event names no track
  }
}

void song::Reserve(size_t size) {
  events.reserve(size / 3);  // an event takes 2 bytes or more with its delta time, mostly 3
  askhugepages(events.data(), events.capacity() * sizeof(keptevent));
}

void song::Grow(size_t tracks) {
  names.resize(tracks);
  meters.resize(tracks);
  named.resize(tracks, false);
  while (firsts.size() < tracks) firsts.push_back(events.size());
}

void song::Close(int32_t tracks) {
  if (track != SIZE_MAX) ways.End();
  track = SIZE_MAX;
  Grow(static_cast<size_t>(tracks));
  firsts.push_back(events.size());
}

song ReadSong(const Midi& m) {
  song s;
  s.Reserve(m.image.size());
  ForEachEvent(m, Guards::AtTrackEnd, s);
  s.Close(m.GetTrackCount());
  return s;
}

void Decompile(const Midi& m, const song& s, const textsink& put,
               const std::vector<placedline>& placed) {
  int32_t tracks = m.GetTrackCount();
  int32_t type = m.GetMidiType();
  int32_t division = m.GetTicks();
  std::vector<meter> all;  // of every track, ruling all of them in a type-1 file
  if (type == 1) all = MetersOf(m, s, 0);
  // the lines are made straight into the block that goes out next
  constexpr size_t kBlock = 1 << 16;
  std::string text;
  text.reserve(kBlock + 256);
  auto endLine = [&] {
    text.append("\r\n", 2);
    if (text.size() >= kBlock) {
      put(text);
      text.clear();
    }
  };
  auto addLine = [&](const std::string& line) {
    text += line;
    endLine();
  };

  addLine(Header(type, tracks, division));
  // an SMPTE division, or none, counts no beats
  bool counting = division >= 1 && division <= 0x7FFF;
  if (!counting) division = 1;
  barcounter bars(all, division);
  auto next = placed.begin();
  auto nextSwitch = s.ways.switches.begin();
  for (size_t k = 0; k < static_cast<size_t>(tracks); k++) {
    addLine(TrackLine(static_cast<int32_t>(k + 1), s.names[k]));
    if (type == 1) {
      bars.Restart();
    } else {
      bars = barcounter(s.meters[k], division);
    }
    int64_t tick = 0;
    uint64_t carried = 0;  // the delta times of the events left out, which the next one takes
    auto timeLine = [&](uint32_t ticks, int64_t at) {
      char made[128];  // made in place and appended in one go
      char* p = putnumber(made, ticks);
      if (counting) {
        *p++ = ' ';
        p = bars.PutPlace(p, at);
      }
      text.append(made, static_cast<size_t>(p - made));
      endLine();
    };
    for (size_t i = s.firsts[k]; i < s.firsts[k + 1]; i++) {
      if (nextSwitch != s.ways.switches.end() && nextSwitch->event == i) {
        addLine(WayLine(nextSwitch->way));
        ++nextSwitch;
      }
      uint64_t delta = s.events[i].delta;
      tick += s.events[i].delta;
      bool leaveOut = false;
      for (; next != placed.end() && next->event == i && next->leaveOut; ++next) leaveOut = true;
      if (leaveOut) {
        carried += delta;
        continue;
      }
      delta += carried;
      carried = 0;
      const uint64_t most = kMaxDeltaTime;
      if (delta > most) {
        say("Delta time " + Num(static_cast<int64_t>(delta)) + " before byte " +
            Num(s.events[i].at) + " is over " + Num(kMaxDeltaTime) +
            ": split, with empty events between");
      }
      while (delta > most) {
        delta -= most;
        timeLine(kMaxDeltaTime, tick - static_cast<int64_t>(delta));
      }
      if (delta > 0) timeLine(static_cast<uint32_t>(delta), tick);
      for (; next != placed.end() && next->event == i; ++next) addLine(next->line);
      AddEventLine(text, s.View(m, i));
      endLine();
    }
  }
  if (!text.empty()) put(text);
  SayTrailing(m);
}
