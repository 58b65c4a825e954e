#include "Compiler.h"
#include "Decompiler.h"
#include "FuzzTargets.h"

namespace {

[[noreturn]] void Fail(const std::string& what) { FuzzFailure("smf2mev", what); }

std::string Text(const Midi& m, const song& s) {
  std::string text;
  Decompile(m, s, [&](const std::string& block) { text += block; });
  return text;
}

// The file mev2smf makes of text; fails when it refuses it.
Midi Compiled(const std::string& text) {
  textreader in;
  in.OpenText(text);
  Midi m;
  if (!CompileMev(in, m)) Fail("the MEV of a checked file does not compile");
  return m;
}

}  // namespace

int FuzzSmf2mev(const uint8_t* data, size_t size) {
  QuietOutput quiet;
  Midi in;
  in.image.assign(data, data + size);
  bool ok;
  song s;  // read in the check's walk, as smf2mev reads it
  checkfile(in, ok, Guards::AtTrackEnd, s, headerrule::Written);
  if (!ok) return 0;
  s.Close(in.GetTrackCount());
  const std::string text = Text(in, s);
  if (Text(in, ReadSong(in)) != text) Fail("a song read on its own gives other text");
  // a delta time above 0FFFFFFF hex is carried by time lines with empty events between
  for (const keptevent& e : s.events) {
    if (e.delta > kMaxDeltaTime) return 0;
  }
  if (in.GetTicks() == 0) return 0;  // the compiler takes no division 0: the text says so

  Midi back = Compiled(text);
  if (back.GetMidiType() != in.GetMidiType() || back.GetTrackCount() != in.GetTrackCount() ||
      back.GetTicks() != in.GetTicks()) {
    Fail("the header changed");
  }
  checkfile(back, ok, Guards::AtTrackEnd, novisit{}, headerrule::Written);
  if (!ok) Fail("the recompiled file does not pass the check");
  // a track that does not end with its End of Track gets one
  std::vector<lijst> events = TimedEvents(in);
  bool added = false;
  for (lijst& t : events) {
    size_t blank = t.empty() ? 0 : t.back().find(' ');
    if (t.empty() || t.back().substr(blank) != " FF 2F") {
      added = true;
      t.push_back((t.empty() ? "0" : t.back().substr(0, blank)) + " FF 2F");
    }
  }
  if (TimedEvents(back) != events) Fail("the events or their ticks changed");
  // what mev2smf wrote comes back as the same text and the same bytes
  const std::string again = Text(back, ReadSong(back));
  if (!added && again != text) Fail("the recompiled file decompiles to other text");
  if (Compiled(again).image != back.image) Fail("the recompiled file compiles to other bytes");
  return 0;
}
