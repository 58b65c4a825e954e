#include "Merger.h"

#include <algorithm>

#include "TrackWriter.h"

namespace {

const bytes kEndOfTrack = {kMeta, kEndOfTrackType, 0x00};
const bytes kEmptyMeta = {kMeta, kEmptyType, 0x00};

// The track chunks the header announces, into tracks; false when one is missing, is no track
// chunk or ends past the image, as the structure check finds them.
bool Tracks(const Midi& m, std::vector<chunk>& tracks) {
  tracks.assign(static_cast<size_t>(m.GetTrackCount()), chunk{});
  chunkcursor chunks(m);
  for (chunk& c : tracks) {
    if (!chunks.Next(c) || !chunks.IsTrack(c) || c.End() > static_cast<int64_t>(m.image.size())) {
      return false;
    }
  }
  return true;
}

// A track read on its own does not know the running status it begins in: the one the tracks
// before it leave. That matters only when a data byte stands where an event begins before the
// track's own first status byte, so it is found then, by reading the tracks before it (each at
// most once).
struct startstatus {
  std::vector<uint8_t> known{0};  // of tracks 0 .. known.size() - 1; track 0 begins with none

  // True when track needs the status it begins in: a data byte comes before its first status.
  static bool Needed(const Midi& m, const chunk& track) {
    trackcursor c(m, track, 0);
    trackevent e;
    while (c.Next(e)) {
      if (!e.event.IsEvent()) return true;
      if (IsChannelStatus(e.event.status)) return false;
    }
    return false;
  }

  uint8_t Of(const Midi& m, const std::vector<chunk>& tracks, size_t k) {
    while (known.size() <= k) {
      trackcursor c(m, tracks[known.size() - 1], known.back());
      trackevent e;
      while (c.Next(e)) {
      }
      known.push_back(c.status);
    }
    return known[k];
  }
};

// A track in the merge: its cursor, and the event read ahead.
struct reader {
  trackcursor cursor;
  trackevent e;
  // Reads the next event that makes one; false at the track's end, or where it breaks off.
  bool Next() {
    while (cursor.Next(e)) {
      if (e.event.IsEvent()) return true;  // a stray data byte makes no event
    }
    return false;
  }
};

// A track in the heap of the merge: the time of its event read ahead, and its number.
struct entry {
  int64_t time;
  size_t k;
};

// True when a goes before b: the earlier time, on equal times the lower-numbered track.
bool Earlier(const entry& a, const entry& b) {
  // both tests always made: the times of interleaved tracks take turns unforeseeably, and a
  // branch on them would mostly be guessed wrong
  return (a.time < b.time) | ((a.time == b.time) & (a.k < b.k));
}

// Moves the top of a heap whose other entries are in order down to its place.
void SiftDown(std::vector<entry>& heap) {
  entry top = heap[0];
  size_t i = 0;
  for (size_t c = 1; c < heap.size(); c = 2 * i + 1) {
    if (c + 1 < heap.size()) c += Earlier(heap[c + 1], heap[c]);
    if (!Earlier(heap[c], top)) break;
    heap[i] = heap[c];
    i = c;
  }
  heap[i] = top;
}

// Hands every event of m to visit(tick, event) in time order, as MergeToType0 takes them;
// false when a track chunk or its events are broken.
template <class Visit>
bool Merge(const Midi& m, Visit visit) {
  std::vector<chunk> tracks;
  if (!Tracks(m, tracks)) return false;
  startstatus start;
  std::vector<reader> readers;
  readers.reserve(tracks.size());
  // a heap of the tracks with an event read ahead, the earliest event on top
  std::vector<entry> heap;
  for (size_t k = 0; k < tracks.size(); k++) {
    uint8_t status = startstatus::Needed(m, tracks[k]) ? start.Of(m, tracks, k) : 0;
    readers.push_back({trackcursor(m, tracks[k], status), {}});
    if (readers[k].Next()) heap.push_back({readers[k].e.tick, k});
  }
  std::make_heap(heap.begin(), heap.end(),
                 [](const entry& a, const entry& b) { return Earlier(b, a); });
  while (!heap.empty()) {
    reader& r = readers[heap[0].k];
    visit(r.e.tick, r.e.event);
    if (r.Next()) {
      // an event at the same time as the one before it in its track stays on top
      if (r.e.tick == heap[0].time) continue;
      heap[0].time = r.e.tick;
    } else {
      heap[0] = heap.back();
      heap.pop_back();
      if (heap.empty()) break;
    }
    SiftDown(heap);
  }
  // each track's events end exactly at its end, as the check reads them: a track read from
  // the status the tracks before it leave is read so, and one that does not need that status
  // is cut alike from any
  for (const reader& r : readers) {
    if (r.cursor.stop != stopreason::End) return false;
  }
  return true;
}

}  // namespace

mergeend MergeToType0(const Midi& in, Midi& out, outputfile* file) {
  // a merged file is about as long as its tracks, plus a status byte where tracks interleave
  trackwriter w(out, in.image.size() + in.image.size() / 4, file);
  w.BeginTrack(/*oneEnd=*/true);
  bool fits = true;  // once the file would reach 2 GB, the rest is only read
  if (!Merge(in, [&](int64_t tick, const eventview& e) { fits = fits && w.EventAt(tick, e); })) {
    return mergeend::Broken;
  }
  if (!fits || !w.EndTrack()) return mergeend::TooLarge;
  w.Finish(0, 1, static_cast<uint16_t>(in.GetTicks()));
  return mergeend::Merged;
}

int32_t CountTrackEvents(const Midi& m, const chunk& track, uint8_t& status) {
  trackcursor c(m, track, status);
  trackevent e;
  int32_t count = 0;
  while (c.Next(e)) count += e.event.IsEvent();
  status = c.status;
  return count;
}

gegevens ReadTrackEvents(const Midi& m, const chunk& track, uint8_t& status) {
  uint8_t before = status;
  gegevens events;
  events.reserve(static_cast<size_t>(CountTrackEvents(m, track, before)));
  trackcursor c(m, track, status);
  trackevent e;
  while (c.Next(e)) {
    if (e.event.IsEvent()) events.push_back({e.tick, e.event.Bytes()});
  }
  status = c.status;
  return events;
}

gegevens CollectEvents(const Midi& m) {
  gegevens merged;
  uint8_t status = 0;
  std::vector<chunk> tracks;
  Tracks(m, tracks);
  for (const chunk& track : tracks) {
    merged = mergebytime(std::move(merged), ReadTrackEvents(m, track, status));
  }
  return merged;
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
  size_t size = 0;
  for (const samen& e : merged) size += e.event.size() + 1;
  trackwriter w(out, kFirstEvent + size);
  w.BeginTrack(/*oneEnd=*/true);
  bool fits = true;
  for (const samen& e : merged) {
    const bytes& b = e.event;
    fits = fits && w.EventAt(e.time, {b[0], b.data() + 1, b.size() - 1});
  }
  if (!fits || !w.EndTrack()) {
    say("Type 0 MidiFile would reach 2 GB");
    return false;
  }
  w.Finish(0, 1, static_cast<uint16_t>(ticks));
  return true;
}
