#include "TrackWriter.h"

#include <algorithm>

namespace {

const bytes kEndOfTrack = {kMeta, kEndOfTrackType, 0x00};

}  // namespace

trackwriter::trackwriter(Midi& m, size_t reserve, outputfile* f) : out(m), file(f) {
  out.image.clear();
  out.image.reserve(file ? kBlockSize + 64 : std::max<size_t>(reserve, kHeaderSize));
  askhugepages(out.image);
  out.image.assign(kHeaderSize, 0);  // the header chunk is written by Finish
  out.runningStatus = 0;
}

void trackwriter::BeginTrack(bool oneEndOfTrack) {
  out.WriteTrackHeader(0, pos);  // the length is put in by EndTrack
  pos += kTrackHeaderSize;
  track = Size();
  previous = 0;
  delta = false;
  oneEnd = oneEndOfTrack;
  lastEmptyMeta = -1;
  way = statusway::Running;
  lastChannel = 0;
  // running status does not cross a track chunk: each track's first channel event has its
  // status byte
  out.runningStatus = 0;
}

void trackwriter::Event(const bytes& event) {
  if (!event.empty()) Event(event[0], event.data() + 1, event.size() - 1);
}

bool trackwriter::EndTrack() {
  if (oneEnd && lastEmptyMeta >= 0) {
    Patch(lastEmptyMeta + 1, &kEndOfTrack[1], 1);
  } else if (oneEnd) {
    // the track that ends latest had no End of Track (or there are no events): one is added
    // after its last event
    if (!Fits(4)) return false;
    oneEnd = false;  // this one stays an End of Track
    Event(kEndOfTrack);
  }
  // the length, big-endian, after "MTrk"
  uint32_t length = static_cast<uint32_t>(Size() - track);
  uint8_t field[4];
  for (int i = 0; i < 4; i++) field[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
  Patch(track - 4, field, 4);
  return true;
}

void trackwriter::Finish(uint8_t type, uint16_t tracks, uint16_t ticks) {
  Midi header;
  header.WriteHeader(type, tracks, ticks);
  Patch(0, header.image.data(), kHeaderSize);
  out.image.resize(static_cast<size_t>(pos));
  if (file) {
    file->Write(reinterpret_cast<const char*>(out.image.data()), out.image.size());
    handed += pos;
    pos = 0;
    out.image.clear();
  }
}

void trackwriter::Patch(int64_t at, const uint8_t* b, size_t n) {
  // the bytes before handed are in the file already
  size_t before = at < handed ? static_cast<size_t>(std::min<int64_t>(handed - at, n)) : 0;
  if (before > 0) file->Patch(static_cast<size_t>(at), reinterpret_cast<const char*>(b), before);
  std::copy(b + before, b + n, out.image.begin() + (at + static_cast<int64_t>(before) - handed));
}

void trackwriter::Pass() {
  file->Write(reinterpret_cast<const char*>(out.image.data()), static_cast<size_t>(pos));
  handed += pos;
  pos = 0;
}
