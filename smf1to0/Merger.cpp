#include "Merger.h"

#include <algorithm>

#include "Files.h"

namespace {

const bytes kEndOfTrack = {kMeta, kEndOfTrackType, 0x00};
const bytes kEmptyMeta = {kMeta, kEmptyType, 0x00};

// Where the merge stands in one track: the next event not yet handed over, read ahead.
struct cursor {
  int32_t begin = 0;  // the track's first data byte
  int32_t pos = 0;    // the byte after the event read ahead
  int32_t end = 0;
  int64_t time = 0;
  uint8_t status = 0;    // the running status after the event read ahead
  bool settled = false;  // status is known: the track's own, or the one it began with
  trackevent e;
};

// The tracks of m as cursors, each before its first event; stops at a chunk that is no track or
// passes the image's end, as a walk of the whole file does.
std::vector<cursor> Cursors(Midi& m) {
  std::vector<cursor> tracks;
  int32_t pos = kHeaderSize;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) {
    int32_t length;
    bool ok;
    m.ReadTrackHeader(pos, length, ok);
    int64_t end = int64_t{pos} + static_cast<uint32_t>(length);
    if (!ok || end > static_cast<int64_t>(m.image.size())) break;
    cursor c;
    c.begin = c.pos = pos;
    c.end = pos = static_cast<int32_t>(end);
    tracks.push_back(std::move(c));
  }
  return tracks;
}

// A track read on its own does not know the running status it begins in: the one the tracks
// before it leave. That is needed only when a data byte stands where an event begins before
// the track's first status byte, so it is found then, by stepping over the events of the tracks
// before it (each at most once).
struct startstatus {
  std::vector<uint8_t> known{0};  // of tracks 0 .. known.size() - 1; track 0 begins with none

  uint8_t Of(Midi& m, const std::vector<cursor>& tracks, size_t k) {
    uint8_t saved = m.readStatus;
    while (known.size() <= k) {
      const cursor& before = tracks[known.size() - 1];
      m.readStatus = known.back();
      int32_t pos = before.begin;
      while (pos < before.end) {
        m.SkipDeltaTime(pos);
        if (pos > before.end) break;
        m.SkipEvent(pos);
      }
      known.push_back(m.readStatus);
    }
    m.readStatus = saved;
    return known[k];
  }
};

// Reads the next event of track k that makes one into its cursor; false at the track's end.
bool Next(Midi& m, std::vector<cursor>& tracks, size_t k, startstatus& start) {
  cursor& c = tracks[k];
  bool ok = true;
  while (ok && c.pos < c.end) {
    if (!c.settled) {
      // a data byte where an event begins runs on the status the track began with
      int32_t p = c.pos;
      m.ReadVarLen(p);
      if (p < c.end && m.image[p] < 0x80) {
        c.status = start.Of(m, tracks, k);
        c.settled = true;
      }
    }
    m.readStatus = c.status;
    m.ReadTrackEvent(c.pos, c.end, c.e, ok);
    c.status = m.readStatus;
    c.settled = c.settled || c.status != 0;
    if (!ok) break;
    // a delta time is unsigned, and a 5-byte one reaches FFFFFFFF hex
    c.time += static_cast<uint32_t>(c.e.delta);
    if (!c.e.event.empty()) return true;
  }
  c.pos = c.end;
  return false;
}

// A track in the heap of the merge: the time of its event read ahead, and its number.
struct entry {
  int64_t time;
  size_t k;
};

// True when a goes before b: the earlier time, on equal times the lower-numbered track.
bool Earlier(const entry& a, const entry& b) {
  return a.time < b.time || (a.time == b.time && a.k < b.k);
}

// Moves the top of a heap whose other entries are in order down to its place.
void SiftDown(std::vector<entry>& heap) {
  entry top = heap[0];
  size_t i = 0;
  for (size_t c = 1; c < heap.size(); c = 2 * i + 1) {
    if (c + 1 < heap.size() && Earlier(heap[c + 1], heap[c])) c++;
    if (!Earlier(heap[c], top)) break;
    heap[i] = heap[c];
    i = c;
  }
  heap[i] = top;
}

}  // namespace

void ForEachMerged(Midi& m, const std::function<void(int64_t, const bytes&)>& visit) {
  std::vector<cursor> tracks = Cursors(m);
  startstatus start;
  // a heap of the tracks with an event read ahead, the earliest event on top
  std::vector<entry> heap;
  for (size_t k = 0; k < tracks.size(); k++) {
    if (Next(m, tracks, k, start)) heap.push_back({tracks[k].time, k});
  }
  std::make_heap(heap.begin(), heap.end(),
                 [](const entry& a, const entry& b) { return Earlier(b, a); });
  while (!heap.empty()) {
    size_t k = heap[0].k;
    visit(tracks[k].time, tracks[k].e.event);
    if (Next(m, tracks, k, start)) {
      heap[0].time = tracks[k].time;
    } else {
      heap[0] = heap.back();
      heap.pop_back();
      if (heap.empty()) break;
    }
    SiftDown(heap);
  }
}

gegevens CollectEvents(Midi& m) {
  gegevens merged;
  ForEachMerged(m, [&merged](int64_t time, const bytes& event) {
    merged.push_back({time, event});
  });
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

void type0writer::Begin(int32_t ticks, size_t size) {
  // writing grows the image by doubling as far as it needs
  out.image.assign(std::max<size_t>(size, kFirstEvent), 0);
  out.WriteHeader(0, 1, static_cast<uint16_t>(ticks));
}

bool type0writer::Add(int64_t time, const bytes& event) {
  int64_t delta = time - previous;
  bound += static_cast<int64_t>(event.size()) + 5;
  if (delta > kMaxDeltaTime) bound += delta / kMaxDeltaTime * 7;  // a division is slow: seldom
  if (bound > INT32_MAX - 0xFFFF) return false;  // the bound only grows: Finish says so
  // a longer gap than a delta time can hold is carried by empty meta events
  while (delta > kMaxDeltaTime) {
    out.WriteVarLen(kMaxDeltaTime, pos);
    out.WriteEmptyMeta(pos);
    delta -= kMaxDeltaTime;
  }
  out.WriteVarLen(static_cast<int32_t>(delta), pos);
  // FF 2F 00 or FF 0F 00
  bool emptyMeta = event.size() == 3 && event[0] == kMeta && event[2] == 0 &&
                   (event[1] == kEndOfTrackType || event[1] == kEmptyType);
  lastEmptyMeta = emptyMeta ? pos : -1;
  out.WriteEvent(lastEmptyMeta >= 0 ? kEmptyMeta : event, pos);
  previous = time;
  return true;
}

bool type0writer::Finish() {
  if (lastEmptyMeta < 0) {
    // the track that ends latest had no End of Track (or there are no events): one is added
    // after its last event
    bound += 3 + 5;
    if (bound <= INT32_MAX - 0xFFFF) {
      out.WriteVarLen(0, pos);
      out.WriteEvent(kEndOfTrack, pos);
    }
  } else {
    out.image[lastEmptyMeta + 1] = kEndOfTrackType;
  }
  if (bound > INT32_MAX - 0xFFFF) {
    say("Type 0 MidiFile would reach 2 GB");
    return false;
  }
  out.WriteTrackHeader(static_cast<uint32_t>(pos - kFirstEvent), kHeaderSize);
  out.image.resize(pos);
  return true;
}

bool WriteType0(const gegevens& merged, int32_t ticks, Midi& out) {
  type0writer w{out};
  size_t size = 0;
  for (const samen& e : merged) size += e.event.size() + 1;
  w.Begin(ticks, kFirstEvent + size);
  for (const samen& e : merged) {
    if (!w.Add(e.time, e.event)) break;
  }
  return w.Finish();
}

bool MergeToType0(Midi& in, Midi& out) {
  type0writer w{out};
  // a merged file is about as long as its tracks, plus a status byte where tracks interleave
  w.Begin(in.GetTicks(), in.image.size() + in.image.size() / 4);
  bool fits = true;  // once the file would reach 2 GB, the rest is only read
  ForEachMerged(in, [&](int64_t time, const bytes& event) { fits = fits && w.Add(time, event); });
  return w.Finish();
}
