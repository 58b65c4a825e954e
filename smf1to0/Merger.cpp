#include "Merger.h"

#include "Files.h"

namespace {

const bytes kEndOfTrack = {kMeta, kEndOfTrackType, 0x00};
const bytes kEmptyMeta = {kMeta, kEmptyType, 0x00};

}  // namespace

gegevens CollectEvents(Midi& m) {
  std::vector<gegevens> tracks(static_cast<size_t>(m.GetTrackCount()));
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    if (!e.event.empty()) tracks[k].push_back({e.time, e.event});
  });
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
  int64_t bound = kFirstEvent;
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
  int32_t pos = kFirstEvent;
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
  out.WriteTrackHeader(static_cast<uint32_t>(pos - kFirstEvent), kHeaderSize);
  out.image.resize(pos);
  return true;
}
