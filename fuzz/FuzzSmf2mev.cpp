#include "Compiler.h"
#include "Decompiler.h"
#include "FuzzTargets.h"

namespace {

[[noreturn]] void Fail(const std::string& what) { FuzzFailure("smf2mev", what); }

std::string Text(Midi& m) {
  std::string text;
  Decompile(m, [&](const std::string& line) { text += line + "\r\n"; });
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
  in.CheckFile(ok);
  if (!ok) return 0;
  const std::string text = Text(in);
  // a delta time above 0FFFFFFF hex is carried by time lines with empty events between
  bool longDelta = false;
  in.ForEachEvent([&](int32_t, const trackevent& e) {
    longDelta = longDelta || static_cast<uint32_t>(e.delta) > kMaxDeltaTime;
  });
  if (longDelta) return 0;

  Midi back = Compiled(text);
  if (back.GetMidiType() != in.GetMidiType() || back.GetTrackCount() != in.GetTrackCount() ||
      back.GetTicks() != in.GetTicks()) {
    Fail("the header changed");
  }
  back.CheckFile(ok);
  if (!ok) Fail("the recompiled file does not pass CheckFile");
  if (TimedEvents(back) != TimedEvents(in)) Fail("the events or their ticks changed");
  // what mev2smf wrote comes back as the same text and the same bytes
  if (Text(back) != text) Fail("the recompiled file decompiles to other text");
  if (Compiled(text).image != back.image) Fail("the recompiled file compiles to other bytes");
  return 0;
}
