#include "Merger.h"

#include "Files.h"

namespace {

// The largest delta time a Standard MIDI File can hold.
constexpr int32_t kMaxDeltaTime = 0x0FFFFFFF;

const bytes kEndOfTrack = {0xFF, 0x2F, 0x00};
const bytes kEmptyMeta = {0xFF, 0x0F, 0x00};

}  // namespace

int32_t CountTrackEvents(Midi& m, int32_t& pos, int32_t length) {
  int32_t end = pos + length;
  int32_t count = 0;
  while (pos < end) {
    m.SkipDeltaTime(pos);
    count += m.SkipEvent(pos);  // a stray data byte makes no event
  }
  return count;
}

void ReadTrackEvents(Midi& m, int32_t& pos, int32_t length, gegevens& events) {
  int32_t end = pos + length;
  int64_t time = 0;
  size_t i = 0;
  bytes event;
  while (pos < end) {
    // a delta time is unsigned, and a 5-byte one reaches FFFFFFFF hex
    time += static_cast<uint32_t>(m.ReadVarLen(pos));
    m.ReadEvent(pos, event);
    if (event.empty() || i == events.size()) continue;
    events[i++] = {time, event};
  }
  events.resize(i);
}

gegevens CollectEvents(Midi& m) {
  std::vector<gegevens> tracks;
  int32_t pos = 14;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) {
    int32_t length;
    bool ok;
    m.ReadTrackHeader(pos, length, ok);
    if (!ok ||
        int64_t{pos} + static_cast<uint32_t>(length) > static_cast<int64_t>(m.image.size())) {
      break;
    }
    int32_t start = pos;
    uint8_t status = m.runningStatus;
    gegevens events(CountTrackEvents(m, pos, length));
    // reading starts from the status counting started from, so both see the same events
    m.runningStatus = status;
    pos = start;
    ReadTrackEvents(m, pos, length, events);
    tracks.push_back(std::move(events));
    pos = start + length;
  }
  // merge neighbours in rounds, the lower-numbered group always first: the same order as
  // merging the tracks one by one, at n log(tracks) cost
  while (tracks.size() > 1) {
    std::vector<gegevens> next;
    for (size_t i = 0; i < tracks.size(); i += 2) {
      next.push_back(i + 1 < tracks.size()
                         ? mergebytime(std::move(tracks[i]), std::move(tracks[i + 1]))
                         : std::move(tracks[i]));
    }
    tracks = std::move(next);
  }
  return tracks.empty() ? gegevens{} : std::move(tracks[0]);
}

void RepairEndOfTrack(gegevens& merged) {
  for (samen& e : merged) {
    if (e.event == kEndOfTrack) e.event = kEmptyMeta;
  }
  if (merged.empty()) {
    merged.push_back({0, kEndOfTrack});
  } else if (merged.back().event == kEmptyMeta) {
    merged.back().event = kEndOfTrack;
  } else {
    // the track that ends latest had no End of Track: one is added after its last event
    merged.push_back({merged.back().time, kEndOfTrack});
  }
}

bool WriteType0(const gegevens& merged, int32_t ticks, Midi& out) {
  // each event with its delta time, and an empty meta event of 7 bytes for every longest delta
  // time a gap holds
  int64_t bound = 22;
  int64_t previous = 0;
  for (const samen& e : merged) {
    bound += static_cast<int64_t>(e.event.size()) + 5 + (e.time - previous) / kMaxDeltaTime * 7;
    previous = e.time;
  }
  if (bound > INT32_MAX - 0xFFFF) {
    say("Type 0 MidiFile would reach 2 GB");
    return false;
  }
  out.image.assign(static_cast<size_t>(bound), 0);
  out.WriteHeader(0, 1, static_cast<uint16_t>(ticks));
  int32_t pos = 22;
  previous = 0;
  for (const samen& e : merged) {
    int64_t delta = e.time - previous;
    // a longer gap than a delta time can hold is carried by empty meta events
    while (delta > kMaxDeltaTime) {
      out.WriteVarLen(kMaxDeltaTime, pos);
      out.WriteEmptyMeta(pos);
      delta -= kMaxDeltaTime;
    }
    out.WriteVarLen(static_cast<int32_t>(delta), pos);
    out.WriteEvent(e.event, pos);
    previous = e.time;
  }
  out.WriteTrackHeader(static_cast<uint32_t>(pos - 22), 14);
  out.image.resize(pos);
  return true;
}
