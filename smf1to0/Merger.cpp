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
  eventview e;
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
    tracks.push_back(c);
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

// A variable-length quantity at pos, read as Midi::ReadVarLen reads it, never past end.
uint32_t Quantity(const uint8_t* image, int32_t& pos, int32_t end) {
  uint32_t value = 0;
  uint8_t b = 0x80;
  while ((b & 0x80) && pos < end) {
    b = image[pos++];
    value = value << 7 | (b & 0x7F);  // a fifth byte shifts the highest bits out
  }
  return value;
}

// Reads the next event of track k that makes one into its cursor; false at the track's end.
// The track passed the check, so its events lie inside it; they are cut as Midi::ReadEvent cuts
// them, without copying.
bool Next(Midi& m, std::vector<cursor>& tracks, size_t k, startstatus& start) {
  cursor& c = tracks[k];
  const uint8_t* image = m.image.data();
  while (c.pos < c.end) {
    // a delta time is unsigned, and a 5-byte one reaches FFFFFFFF hex
    c.time += Quantity(image, c.pos, c.end);
    if (c.pos >= c.end) break;
    uint8_t b = image[c.pos];
    if (b < 0x80 && !c.settled) {
      // a data byte where an event begins runs on the status the track began with
      c.status = start.Of(m, tracks, k);
      c.settled = true;
    }
    if (b < 0x80 && c.status == 0) {  // a stray data byte makes no event
      c.pos++;
      continue;
    }
    uint8_t status = b < 0x80 ? c.status : b;
    int32_t at = b < 0x80 ? c.pos : c.pos + 1;  // the bytes after the status
    int64_t after = at;
    if (status < kSysex) {
      c.status = status;
      c.settled = true;
      after += HasOneDataByte(status) ? 1 : 2;
    } else if (status < 0xF8 || status == kMeta) {  // F1 to F7 are sized like a sysex event
      int32_t p = status == kMeta ? at + 1 : at;    // a meta event's type comes first
      uint32_t length = Quantity(image, p, c.end);
      after = int64_t{p} + length;
    }
    if (after > c.end) break;
    c.pos = static_cast<int32_t>(after);
    c.e = {status, image + at, static_cast<size_t>(after - at)};
    return true;
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

// Hands every event of m to visit(time, event) in time order, as the header says of
// CollectEvents.
template <class Visit>
void Merge(Midi& m, Visit visit) {
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
    visit(tracks[k].time, tracks[k].e);
    if (Next(m, tracks, k, start)) {
      // an event at the same time as the one before it in its track stays on top
      if (tracks[k].time == heap[0].time) continue;
      heap[0].time = tracks[k].time;
    } else {
      heap[0] = heap.back();
      heap.pop_back();
      if (heap.empty()) break;
    }
    SiftDown(heap);
  }
}

}  // namespace

gegevens CollectEvents(Midi& m) {
  gegevens merged;
  Merge(m, [&merged](int64_t time, const eventview& e) {
    bytes event{e.status};
    event.insert(event.end(), e.rest, e.rest + e.n);
    merged.push_back({time, std::move(event)});
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
  out.WriteTrackHeader(0, kHeaderSize);  // the length is known at the end
}

void type0writer::Set(int64_t at, uint8_t b) {
  if (at >= handed) {
    out.image[static_cast<size_t>(at - handed)] = b;
  } else {
    char c = static_cast<char>(b);
    file->Patch(static_cast<size_t>(at), &c, 1);
  }
}

bool type0writer::Add(int64_t time, const bytes& event) {
  return Add(time, eventview{event[0], event.data() + 1, event.size() - 1});
}

bool type0writer::Add(int64_t time, const eventview& e) {
  int64_t delta = time - previous;
  bound += static_cast<int64_t>(e.n) + 6;
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
  bool emptyMeta = e.status == kMeta && e.n == 2 && e.rest[1] == 0 &&
                   (e.rest[0] == kEndOfTrackType || e.rest[0] == kEmptyType);
  lastEmptyMeta = emptyMeta ? handed + pos : -1;
  if (emptyMeta)
    out.WriteEmptyMeta(pos);
  else
    out.WriteEvent(e.status, e.rest, e.n, pos);
  previous = time;
  if (file && pos >= kBlockSize) {  // a full block goes out; the image is used again
    file->Write(reinterpret_cast<const char*>(out.image.data()), static_cast<size_t>(pos));
    handed += pos;
    pos = 0;
  }
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
  }
  if (bound > INT32_MAX - 0xFFFF) {
    say("Type 0 MidiFile would reach 2 GB");
    return false;
  }
  out.image.resize(pos);
  if (file) {  // the rest goes out, and the bytes below are put in the file
    file->Write(reinterpret_cast<const char*>(out.image.data()), out.image.size());
    handed += pos;
    pos = 0;
  }
  if (lastEmptyMeta >= 0) Set(lastEmptyMeta + 1, kEndOfTrackType);
  // the track's length, big-endian, after "MTrk"
  uint32_t length = static_cast<uint32_t>(handed + pos - kFirstEvent);
  for (int i = 0; i < 4; i++)
    Set(kHeaderSize + 4 + i, static_cast<uint8_t>(length >> (24 - 8 * i)));
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

bool MergeToType0(Midi& in, Midi& out, outputfile* file) {
  type0writer w{out, file};
  // a merged file is about as long as its tracks, plus a status byte where tracks interleave
  size_t size = in.image.size() + in.image.size() / 4;
  w.Begin(in.GetTicks(), file ? type0writer::kBlockSize + 64 : size);
  bool fits = true;  // once the file would reach 2 GB, the rest is only read
  Merge(in, [&](int64_t time, const eventview& e) { fits = fits && w.Add(time, e); });
  return w.Finish();
}
