#include <algorithm>

#include "Cursor.h"
#include "FuzzTargets.h"
#include "Merger.h"

namespace {

const bytes kEndOfTrack = {0xFF, 0x2F, 0x00};
const bytes kEmptyMeta = {0xFF, 0x0F, 0x00};

// The events of the one track of a type-0 image with their absolute times.
gegevens ReadTrack(Midi& m) {
  gegevens events;
  m.readStatus = 0;
  int32_t pos = kFirstEvent;
  int32_t end = static_cast<int32_t>(m.image.size());
  int64_t time = 0;
  bytes event;
  while (pos < end) {
    time += static_cast<uint32_t>(m.ReadVarLen(pos));
    m.ReadEvent(pos, event);
    events.push_back({time, event});
  }
  return events;
}

// True when a and b hold the same events at the same times, in the same order, apart from the
// empty meta events, which the writer also adds to carry long gaps.
bool SameApartFromEmptyMeta(const gegevens& a, const gegevens& b) {
  size_t i = 0;
  size_t j = 0;
  while (true) {
    while (i < a.size() && a[i].event == kEmptyMeta) i++;
    while (j < b.size() && b[j].event == kEmptyMeta) j++;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (a[i].time != b[j].time || a[i].event != b[j].event) return false;
    i++;
    j++;
  }
}

}  // namespace

int FuzzSmf1to0(const uint8_t* data, size_t size) {
  QuietOutput quiet;
  Midi in;
  in.image.assign(data, data + size);
  if (!checkstart(in) || in.GetMidiType() != 1) return 0;
  // the program's own way: the merge checks the tracks as it reads them, each event written
  // as it is handed over
  Midi direct;
  mergeend end = MergeToType0(in, direct);
  bool ok;
  in.CheckFile(ok, Guards::AtTrackEnd);
  if ((end != mergeend::Broken) != ok) {
    FuzzFailure("smf1to0", "the merge finds a file broken that the check passes, or not");
  }
  if (!ok) return 0;
  gegevens merged = CollectEvents(in);
  RepairEndOfTrack(merged);
  Midi out;
  if (!WriteType0(merged, in.GetTicks(), out)) return 0;
  if (end != mergeend::Merged || direct.image != out.image) {
    FuzzFailure("smf1to0", "merging straight into the file differs from collect, repair, write");
  }

  for (Guards guards : {Guards::AtTrackEnd, Guards::AtEveryRead}) {
    Midi again;
    again.image = out.image;
    again.CheckFile(ok, guards);
    if (!ok) FuzzFailure("smf1to0", "the output does not pass CheckFile");
  }
  if (out.GetMidiType() != 0 || out.GetTrackCount() != 1 || out.GetTicks() != in.GetTicks()) {
    FuzzFailure("smf1to0", "wrong output header");
  }
  gegevens written = ReadTrack(out);
  size_t ends = 0;
  for (const samen& e : written) ends += e.event == kEndOfTrack;
  if (ends != 1 || written.empty() || written.back().event != kEndOfTrack) {
    FuzzFailure("smf1to0", "the output has " + std::to_string(ends) +
                               " End of Track events, or one that is not last");
  }
  if (!SameApartFromEmptyMeta(written, merged)) {
    FuzzFailure("smf1to0", "the output does not hold the merged events at their times");
  }
  return 0;
}
