#include "Compiler.h"

#include "TextMidi.h"
#include "TrackWriter.h"

namespace {

bool IsTrackLine(const std::string& line) { return !line.empty() && line[0] == 'T'; }

const bytes kEndOfTrack = {kMeta, kEndOfTrackType, 0x00};

// Why a time line that does not fit is refused.
std::string TimeReason(const timeline& t) {
  return t.stamp > 255 ? "a time line holds at most 255 digits and blanks"
                       : "a time is at most " + std::to_string(kMaxDeltaTime);
}

// "Error in line N: LINE" or "Warning in line N: LINE", the reason after it in parentheses when
// there is one.
std::string LineText(const std::string& what, int32_t number, const std::string& line,
                     const std::string& reason) {
  std::string text = what + " in line " + std::to_string(number) + ": " + line;
  return reason.empty() ? text : text + " (" + reason + ")";
}

}  // namespace

bool ReadTimeLine(const std::string& line, timeline& t) {
  t = timeline{};
  uint64_t exact = 0;
  bool digit = false;     // a digit came before
  bool blank = false;     // a blank came after a digit
  bool anyBlank = false;  // a blank came at all
  for (; t.stamp < line.size(); t.stamp++) {
    char c = line[t.stamp];
    if (c == ' ') {
      blank = blank || digit;
      anyBlank = true;
    } else if (c >= '0' && c <= '9') {
      t.value = t.value * 10 + static_cast<uint32_t>(c - '0');
      exact = std::min<uint64_t>(exact * 10 + static_cast<uint64_t>(c - '0'), kMaxDeltaTime + 1u);
      t.split = t.split || blank;
      digit = true;
    } else {
      break;
    }
  }
  t.fits = t.stamp <= 255 && exact <= kMaxDeltaTime;
  // its first character that is no digit is a blank, or it has none: the timestamp holds a
  // blank, or is the whole line
  return anyBlank || t.stamp == line.size();
}

bool IsTimeLine(const std::string& line) {
  timeline t;
  return ReadTimeLine(line, t);
}

std::string GetTimeStamp(const std::string& line) {
  timeline t;
  ReadTimeLine(line, t);
  return line.substr(0, t.stamp);
}

bool CompileMev(textreader& in, Midi& m) {
  int32_t warnings = 0;
  return CompileMev(in, m, warnings);
}

bool CompileMev(textreader& in, Midi& m, int32_t& warnings) {
  warnings = 0;
  // the lines about lines wait for the end of the text: a track count that is refused is the
  // only line then, and the header line's warnings, which need the count, come first
  lijst held;
  auto warn = [&](int32_t number, const std::string& text, const std::string& reason) {
    held.push_back(LineText("Warning", number, text, reason));
    warnings++;
  };
  std::string line;
  if (!in.Rewind()) return false;
  in.ReadLine(line);  // an empty file reads as an empty header line
  if (in.Failed()) return false;
  bool ok = true;
  int32_t type = 0;
  int32_t division = 0;
  ParseHeader(line, ok, type, division);
  if (!ok) return false;
  const std::string header = line;

  // the header chunk is written last, with the track count; the output is seldom longer than
  // the text, and a longer one grows the image as it is written
  trackwriter w(m, std::min<size_t>(in.Size(), kMaxFileSize) + kHeaderSize);
  int32_t number = 1;
  int32_t tracks = 0;
  // false once the output would reach 2 GB, or the tracks are too many: then the rest of the
  // text is only read for its track lines
  bool compiling = true;
  bool tooLarge = false;
  // the track being compiled: the section's last line that is no comment, and whether it
  // compiled and ended the track
  std::string last;
  int32_t lastNumber = 0;
  bool lastOk = true;
  bool ended = false;
  timeline time;  // the line read, as a time line or an event line
  eventline e;
  // a track that does not end with its End of Track gets one, after its last time line or at
  // the time of its last event
  auto endTrack = [&] {
    if (!ended) {
      if (lastOk) {
        warn(lastNumber, last,
             w.DeltaWritten() ? "the track ends on a time line: Meta $2F(TrkEnd) added after it"
                              : "the track ends without Meta $2F(TrkEnd): one is added");
      }
      w.Event(kEndOfTrack);
    }
    w.EndTrack();
  };

  while (in.ReadLine(line)) {
    number++;
    if (IsTrackLine(line)) {
      if (tracks > 0 && compiling) endTrack();
      tracks++;
      compiling = compiling && tracks <= 0xFFFF;
      if (!compiling) continue;
      if (!line.starts_with("Track")) {
        warn(number, line, "starts track " + std::to_string(tracks) + "; comments begin with *");
      }
      last = line;
      lastNumber = number;
      lastOk = true;
      ended = false;
      w.BeginTrack();
      continue;
    }
    // lines before the first track line are a preamble
    if (tracks == 0 || !compiling || line.empty() || line[0] == '*') continue;
    if (!w.Fits(static_cast<int64_t>(line.size()) + 16)) {
      held.push_back("MidiFile would reach 2 GB at line " + std::to_string(number));
      compiling = false;
      tooLarge = true;
      continue;
    }
    if (line[0] == 'W') {  // a switch of the way status bytes are written
      statusway way;
      std::string why = ReadWayLine(line, way);
      if (why.empty()) {
        w.Way(way);
      } else {
        held.push_back(LineText("Error", number, line, why));
        ok = false;
      }
      continue;
    }
    lastNumber = number;
    lastOk = true;
    ended = false;
    if (ReadTimeLine(line, time)) {
      if (!time.fits) {
        held.push_back(LineText("Error", number, line, TimeReason(time)));
        ok = false;
        lastOk = false;
      } else if (time.split) {
        // digits after a blank join the number
        warn(number, line,
             "read as " + std::to_string(static_cast<int32_t>(time.value)) +
                 " ticks: begin the remark with a letter");
      }
      // two time lines in a row: the writer gives the first one an empty meta event
      w.Delta(time.value);
    } else {
      ReadEventLine(line, e);
      const bytes& event = e.event;
      if (event.empty()) {
        held.push_back(LineText("Error", number, line, e.refusal));
        ok = false;
        lastOk = false;
      }
      for (const std::string& reason : LineWarnings(line, e)) warn(number, line, reason);
      ended =
          event.size() == 3 && event[0] == kMeta && event[1] == kEndOfTrackType && event[2] == 0x00;
      w.Event(event);
    }
    last.swap(line);  // kept without a copy: the next line is read into the other string
  }
  if (tracks > 0 && compiling) endTrack();
  if (in.Failed()) return false;
  if (tracks <= 0) {
    say("NO Tracks found");
    return false;
  }
  if (tracks > 0xFFFF) {
    say("Too many tracks: " + std::to_string(tracks) + " > 65535");
    return false;
  }
  for (const std::string& reason : HeaderWarnings(header, tracks)) {
    say(LineText("Warning", 1, header, reason));
    warnings++;
  }
  for (const std::string& text : held) say(text);
  if (tooLarge) return false;
  w.Finish(static_cast<uint8_t>(type), static_cast<uint16_t>(tracks),
           static_cast<uint16_t>(division));
  return ok;
}
