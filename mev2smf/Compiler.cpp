#include "Compiler.h"

#include "TextMidi.h"

namespace {

// Positions in an image are signed 32-bit: the output stays well below that.
constexpr int64_t kMaxImage = INT32_MAX - 0xFFFF;

bool IsTrackLine(const std::string& line) { return !line.empty() && line[0] == 'T'; }

// The delta time of a time line; false when its timestamp is over 255 characters or its value
// over 0FFFFFFF hex.
bool TimeValue(const std::string& line, int32_t& value) {
  std::string stamp = GetTimeStamp(line);
  if (stamp.size() > 255) return false;
  int64_t exact = 0;
  for (char c : stamp) {
    if (c != ' ') exact = std::min<int64_t>(exact * 10 + (c - '0'), int64_t{kMaxDeltaTime} + 1);
  }
  value = str2int(stamp);
  return exact <= kMaxDeltaTime;
}

// "Error in line N: LINE" or "Warning in line N: LINE", the reason after it in parentheses when
// there is one.
void SayLine(const std::string& what, int32_t number, const std::string& line,
             const std::string& reason) {
  std::string text = what + " in line " + std::to_string(number) + ": " + line;
  say(reason.empty() ? text : text + " (" + reason + ")");
}

}  // namespace

bool IsTimeLine(const std::string& line) {
  size_t first = line.find_first_not_of("0123456789");
  return first == std::string::npos || line[first] == ' ';
}

std::string GetTimeStamp(const std::string& line) {
  return line.substr(0, line.find_first_not_of("0123456789 "));
}

std::string TimeLineWarning(const std::string& line) {
  std::string stamp = GetTimeStamp(line);
  size_t digit = stamp.find_first_of("0123456789");
  size_t blank = digit == std::string::npos ? digit : stamp.find(' ', digit);
  if (blank == std::string::npos || stamp.find_first_not_of(' ', blank) == std::string::npos) {
    return "";
  }
  return "read as " + std::to_string(str2int(stamp)) + " ticks: begin the remark with a letter";
}

int32_t EstimateLineSize(const std::string& line) {
  int32_t length = static_cast<int32_t>(std::min<size_t>(line.size(), INT32_MAX / 2));
  char first = line.empty() ? ' ' : line[0];
  if (first == 'F') return 14;
  if (first == 'T') return 8;
  if (first == 'M') return length + 1;
  if (first == 'P') return 3;
  if (first == 'H') return countwords(line) + 2;
  if (first >= '0' && first <= '9') return (length + 1) / 2 + 1;
  return 4;
}

void CountTracks(textreader& in, int32_t& tracks, int64_t& estimate) {
  tracks = 0;
  estimate = 0;
  std::string line;
  if (!in.Rewind()) return;
  while (in.ReadLine(line)) {
    tracks += IsTrackLine(line);
    estimate += EstimateLineSize(line);
  }
}

void FindTrackStarts(textreader& in, integers& trackStarts) {
  std::string line;
  int32_t number = 0;
  size_t k = 0;
  if (!in.Rewind()) return;
  while (in.ReadLine(line)) {
    number++;
    if (IsTrackLine(line) && k + 1 < trackStarts.size()) trackStarts[k++] = number;
  }
  trackStarts.back() = number + 1;
}

bool CompileMev(textreader& in, Midi& m) {
  int32_t warnings = 0;
  return CompileMev(in, m, warnings);
}

bool CompileMev(textreader& in, Midi& m, int32_t& warnings) {
  warnings = 0;
  auto warn = [&](int32_t number, const std::string& text, const std::string& reason) {
    SayLine("Warning", number, text, reason);
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

  int32_t tracks;
  int64_t estimate;
  CountTracks(in, tracks, estimate);
  if (in.Failed()) return false;
  if (tracks <= 0) {
    say("NO Tracks found");
    return false;
  }
  if (tracks > 0xFFFF) {
    say("Too many tracks: " + std::to_string(tracks) + " > 65535");
    return false;
  }
  integers trackStarts(tracks + 1);
  FindTrackStarts(in, trackStarts);
  if (in.Failed()) return false;

  // the estimate is the first allocation; a longer output grows the image as it is written
  m.image.assign(static_cast<size_t>(std::clamp<int64_t>(estimate, 14, 1 << 28)), 0);
  m.WriteHeader(static_cast<uint8_t>(type), static_cast<uint16_t>(tracks),
                static_cast<uint16_t>(division));
  int32_t pos = 14;

  for (const std::string& reason : HeaderWarnings(line, tracks)) warn(1, line, reason);

  in.Rewind();
  int32_t number = 0;
  while (number < trackStarts[0] - 1 && in.ReadLine(line)) number++;  // header and preamble
  for (int32_t k = 0; k < tracks; k++) {
    in.ReadLine(line);  // the track line
    number++;
    if (!line.starts_with("Track")) {
      warn(number, line, "starts track " + std::to_string(k + 1) + "; comments begin with *");
    }
    // the section's last line that is no comment, and whether it compiled and ended the track
    std::string last = line;
    int32_t lastNumber = number;
    bool lastOk = true;
    bool ended = false;
    pos += 8;
    int32_t start = pos;
    // running status does not cross a track chunk: each track's first channel event has
    // its status byte
    m.runningStatus = 0;
    bool lastWasTime = false;
    for (int32_t i = trackStarts[k + 1] - trackStarts[k] - 1; i > 0 && in.ReadLine(line); i--) {
      number++;
      if (line.empty() || line[0] == '*') continue;
      if (pos + static_cast<int64_t>(line.size()) + 16 > kMaxImage) {
        say("MidiFile would reach 2 GB at line " + std::to_string(number));
        return false;
      }
      last = line;
      lastNumber = number;
      lastOk = true;
      ended = false;
      if (IsTimeLine(line)) {
        int32_t value = 0;
        if (!TimeValue(line, value)) {
          SayLine("Error", number, line, "");
          ok = false;
          lastOk = false;
        } else if (std::string reason = TimeLineWarning(line); !reason.empty()) {
          warn(number, line, reason);
        }
        // two time lines in a row: the empty meta event gives the first one an event
        if (lastWasTime) m.WriteEmptyMeta(pos);
        m.WriteVarLen(value, pos);
        lastWasTime = true;
      } else {
        if (!lastWasTime) m.WriteVarLen(0, pos);
        bytes event = EncodeEventLine(line);
        if (event.empty()) {
          SayLine("Error", number, line, RefusalReason(line));
          ok = false;
          lastOk = false;
        }
        for (const std::string& reason : LineWarnings(line)) warn(number, line, reason);
        ended = event == bytes{kMeta, kEndOfTrackType, 0x00};
        m.WriteEvent(event, pos);
        lastWasTime = false;
      }
    }
    if (lastOk && !ended) {
      warn(lastNumber, last,
           lastWasTime ? "the track ends on a time line: Meta $2F(TrkEnd) comes last"
                       : "the track ends without Meta $2F(TrkEnd)");
    }
    m.WriteTrackHeader(static_cast<uint32_t>(pos - start), start - 8);
  }
  m.image.resize(pos);
  return ok && !in.Failed();
}
