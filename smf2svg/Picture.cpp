#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "Timing.h"

namespace {

// The layout, in pixels.
constexpr double kQuarter = 48;  // a quarter note's width (an SMPTE second's: 2 quarters)
constexpr double kKey = 5;       // a semitone's height
constexpr double kLeft = 44;     // room for the names of the Cs
constexpr double kTop = 64;      // the title, the tempo and the key to the colours
constexpr double kAbove = 18;    // over a row: bar numbers, tempos, time signatures
constexpr double kBelow = 34;    // under a row: the lyrics
constexpr double kGap = 10;

// A colour for each channel, far apart from their neighbours.
constexpr const char* kColours[16] = {
    "#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b", "#e377c2", "#17becf",
    "#bcbd22", "#7f7f7f", "#393b79", "#637939", "#8c6d31", "#843c39", "#7b4173", "#3182bd"};

// One thing of the words under a row: a syllable, a line or paragraph break ("/" or the
// pilcrow), or a held note (a short line).
struct worditem {
  int64_t tick;
  std::string text;
  char kind;  // 's' syllable, 'b' break, 'h' held
};

std::string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  std::string s = text;
  if (s.ends_with(".0")) s.resize(s.size() - 2);
  return s;
}

// The words of the track that holds most (Lyric events, else .kar syllables).
std::vector<worditem> Words(const Midi& m, const conventions& holds) {
  std::vector<worditem> items;
  bool kar;
  int32_t k = WordsTrack(holds, kar);
  if (k < 0) return items;
  std::vector<trackevent> events;
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t t, const trackevent& e) {
    if (t == k) events.push_back(e);
  });
  size_t first = kar ? FirstKarSyllable(events) : 0;
  for (size_t i = 0; i < events.size(); i++) {
    const trackevent& e = events[i];
    std::string text;
    if (kar) {
      if (!IsKarSyllable(events, first, i)) continue;
      text = MetaText(e.event, kTextType);
      char mark = text.empty() ? 0 : text[0];
      if (mark == '/' || mark == '\\') {
        items.push_back({e.tick, mark == '/' ? "/" : "\xC2\xB6", 'b'});
        text.erase(0, 1);
      }
      if (text.find_first_not_of(' ') != std::string::npos) items.push_back({e.tick, text, 's'});
      continue;
    }
    if (!e.event.IsMeta(kLyricType)) continue;
    text = MetaText(e.event, kLyricType);
    std::string mark;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
      if (mark.empty()) mark = text.back() == '\n' && !text.ends_with("\r\n") ? "\xC2\xB6" : "/";
      text.pop_back();
    }
    if (!text.empty()) items.push_back({e.tick, text, 's'});
    if (!mark.empty()) items.push_back({e.tick, mark, 'b'});
    if (text.empty() && mark.empty()) items.push_back({e.tick, "", 'h'});
  }
  return items;
}

}  // namespace

std::string XmlText(const std::string& text) {
  std::string out;
  const auto* b = reinterpret_cast<const uint8_t*>(text.data());
  size_t n = text.size();
  for (size_t i = 0; i < n;) {
    uint8_t c = b[i];
    // the length of a well-formed UTF-8 sequence at i, or 0
    size_t length = c < 0x80                 ? 1
                    : c >= 0xC2 && c <= 0xDF ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
    for (size_t j = 1; j < length; j++) {
      if (i + j >= n || (b[i + j] & 0xC0) != 0x80) length = 0;
    }
    if (length >= 3) {  // no overlong forms, surrogates or code points past 10FFFF
      uint8_t second = b[i + 1];
      if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
          (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F)) {
        length = 0;
      }
    }
    if (length == 0) {  // a byte that is no UTF-8: its Latin-1 character
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
      i++;
      continue;
    }
    if (length == 1) {
      if (c == '&') {
        out += "&amp;";
      } else if (c == '<') {
        out += "&lt;";
      } else if (c == '>') {
        out += "&gt;";
      } else if (c == '"') {
        out += "&quot;";
      } else if (c >= 0x20 && c != 0x7F) {
        out += static_cast<char>(c);
      }
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

std::string Picture(const Midi& m, const conventions& holds, const drawing& d) {
  std::string whole;
  Picture(m, holds, d, [&](const std::string& block) { whole += block; });
  return whole;
}

void Picture(const Midi& m, const conventions& holds, const drawing& d, const picturesink& put) {
  int32_t division = m.GetTicks();
  bool smpte = division & 0x8000;
  int64_t end = 0;
  std::vector<soundednote> notes = SoundedNotes(m, d.track, end);
  std::vector<worditem> words = Words(m, holds);
  // the time signatures and tempos: in a type-1 file those of every track rule all tracks; a
  // type-2 file's are those of the track of the words, else the first
  int32_t type = m.GetMidiType();
  int32_t own = type == 1 ? -1 : std::max(0, holds.lyricTrack);
  std::vector<meter> meters;
  std::vector<std::pair<int64_t, int64_t>> tempos;  // tick, microseconds a quarter note
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t t, const trackevent& e) {
    if ((own >= 0 && t != own) || e.event.status != kMeta) return;
    meter signature;
    if (MeterOf(e.event, e.tick, signature)) meters.push_back(signature);
    size_t data = e.event.DataStart();
    if (e.event.IsMeta(kTempoType) && e.event.n - data >= 3) {
      const uint8_t* b = e.event.rest + data;
      tempos.push_back({e.tick, int64_t{b[0]} << 16 | b[1] << 8 | b[2]});
    }
  });
  auto early = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::stable_sort(meters.begin(), meters.end(),
                   [](const meter& a, const meter& b) { return a.time < b.time; });
  std::stable_sort(tempos.begin(), tempos.end(), early);
  // the bars: as the remarks of time lines count them, or seconds for an SMPTE division
  barcounter bars(smpte ? std::vector<meter>{} : meters, smpte ? 1 : division);
  double perSecond = 0;
  if (smpte) {
    int32_t frames = -static_cast<int8_t>(division >> 8);
    perSecond = (frames == 29 ? 30000.0 / 1001 : frames) * (division & 0xFF);
  }
  auto barStart = [&](int64_t b) {
    return smpte ? static_cast<double>(b - 1) * perSecond : bars.Bar(b).start;
  };
  int64_t count = 1;
  while (count < kMostBars && barStart(count + 1) <= static_cast<double>(end)) count++;
  if (count == kMostBars && barStart(count + 1) <= static_cast<double>(end)) {
    say("The song goes on past bar " + std::to_string(kMostBars) + ": the picture stops at tick " +
        std::to_string(static_cast<int64_t>(barStart(count + 1))));
  }
  double drawnEnd = barStart(count + 1);
  double scale = smpte ? kQuarter * 2 / perSecond : kQuarter / division;  // pixels a tick
  // the rows
  int64_t per = d.bars;
  int64_t rows = (count + per - 1) / per;
  std::vector<double> rowStart;
  double width = 0;
  // the first row begins at tick 0, also where a time signature a little later takes over the
  // first bar
  for (int64_t r = 0; r < rows; r++) {
    double from = r == 0 ? 0 : barStart(r * per + 1);
    double to = barStart(std::min(r * per + per, count) + 1);
    rowStart.push_back(from);
    width = std::max(width, (to - from) * scale);
  }
  rowStart.push_back(drawnEnd);
  int lowest = 60, highest = 72;
  if (!notes.empty()) {
    lowest = 127;
    highest = 0;
    for (const soundednote& n : notes) {
      lowest = std::min<int>(lowest, n.key);
      highest = std::max<int>(highest, n.key);
    }
  }
  double roll = (highest - lowest + 1) * kKey;
  double rowHeight = kAbove + roll + kBelow + kGap;
  double total = kTop + static_cast<double>(rows) * rowHeight;
  double pageWidth = kLeft + width + 20;
  auto rowOf = [&](double tick) {
    auto after = std::upper_bound(rowStart.begin() + 1, rowStart.end() - 1, tick);
    return static_cast<int64_t>(after - rowStart.begin()) - 1;
  };
  auto x = [&](int64_t r, double tick) {
    return kLeft + (tick - rowStart[static_cast<size_t>(r)]) * scale;
  };
  auto top = [&](int64_t r) { return kTop + static_cast<double>(r) * rowHeight + kAbove; };

  // the text is made in blocks, each handed over once it is full
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  auto pass = [&] {
    if (svg.size() < (1 << 16)) return;
    put(svg);
    svg.clear();
  };
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(pageWidth) + "\" height=\"" +
         Num(total) + "\" viewBox=\"0 0 " + Num(pageWidth) + " " + Num(total) +
         "\" font-family=\"sans-serif\" font-size=\"11\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  // the title and the tempo, and the key to the colours
  std::string title = XmlText(holds.title);
  std::string head = title.empty() ? "" : title + " \xE2\x80\x94 ";
  auto beats = [](int64_t us) {
    return "\xE2\x99\xA9 = " + Num(6e7 / static_cast<double>(std::max<int64_t>(us, 1)));
  };
  if (smpte) {
    head += Num(perSecond / (division & 0xFF)) + " frames a second";
  } else {
    int64_t first = 500000;  // until the first tempo; the last of those at tick 0 holds
    for (const auto& [tick, us] : tempos) {
      if (tick == 0) first = us;
    }
    head += beats(first);
  }
  svg += "<text class=\"title\" x=\"" + Num(kLeft) + "\" y=\"22\" font-size=\"16\">" + head +
         "</text>\n";
  bool used[16] = {};
  for (const soundednote& n : notes) used[n.channel] = true;
  double keyX = kLeft;
  for (int c = 0; c < 16; c++) {
    if (!used[c]) continue;
    svg += "<rect class=\"key\" x=\"" + Num(keyX) +
           "\" y=\"34\" width=\"10\" height=\"10\" fill=\"" + kColours[c] + "\"/><text x=\"" +
           Num(keyX + 14) + "\" y=\"43\">channel " + std::to_string(c) + "</text>\n";
    keyX += 80;
  }
  // each row: its frame, the names of the Cs, bar and beat lines with the bar numbers
  for (int64_t r = 0; r < rows; r++) {
    double y = top(r);
    double w = (rowStart[static_cast<size_t>(r) + 1] - rowStart[static_cast<size_t>(r)]) * scale;
    svg += "<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(y) + "\" width=\"" + Num(w) +
           "\" height=\"" + Num(roll) +
           "\" fill=\"#f7f7f7\" stroke=\"#999\" stroke-width=\"0.5\"/>\n";
    for (int key = (lowest + 11) / 12 * 12; key <= highest; key += 12) {
      svg += "<text x=\"4\" y=\"" + Num(y + (highest - key + 1) * kKey) + "\">C" +
             std::to_string(key / 12 - 1) + "</text>\n";
    }
    for (int64_t b = r * per + 1; b <= std::min(r * per + per, count); b++) {
      double bx = x(r, barStart(b));
      svg += "<line x1=\"" + Num(bx) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(bx) + "\" y2=\"" +
             Num(y + roll) + "\" stroke=\"#555\"/><text x=\"" + Num(bx + 2) + "\" y=\"" +
             Num(y - 4) + "\">" + (smpte ? std::to_string(b - 1) + " s" : std::to_string(b)) +
             "</text>\n";
      if (smpte) continue;
      barcounter::barspan span = bars.Bar(b);
      if (b == 1 || bars.Bar(b - 1).beats != span.beats || bars.Bar(b - 1).beat != span.beat) {
        int power = static_cast<int>(std::lround(std::log2(division * 4 / span.beat)));
        svg += "<text class=\"meter\" x=\"" + Num(bx + 22) + "\" y=\"" + Num(y - 4) + "\">" +
               std::to_string(span.beats) + "/" + std::to_string(1 << power) + "</text>\n";
      }
      for (int32_t beat = 1; beat < span.beats; beat++) {
        double tx = x(r, span.start + beat * span.beat);
        svg += "<line x1=\"" + Num(tx) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(tx) + "\" y2=\"" +
               Num(y + roll) + "\" stroke=\"#ccc\" stroke-width=\"0.5\"/>\n";
      }
    }
    pass();
  }
  // tempo changes where they happen
  for (const auto& [tick, us] : tempos) {
    if (smpte || tick == 0 || static_cast<double>(tick) >= drawnEnd) continue;
    int64_t r = rowOf(static_cast<double>(tick));
    svg += "<text class=\"tempo\" x=\"" + Num(x(r, static_cast<double>(tick)) + 2) + "\" y=\"" +
           Num(top(r) + 10) + "\" fill=\"#a00\">" + beats(us) + "</text>\n";
  }
  // the notes: a note that crosses a row's end goes on in the next
  for (const soundednote& n : notes) {
    double from = static_cast<double>(n.start);
    if (from >= drawnEnd) break;
    double to = std::min(static_cast<double>(n.end), drawnEnd);
    for (int64_t r = rowOf(from);
         r < rows && rowStart[static_cast<size_t>(r)] < std::max(to, from + 1); r++) {
      double a = std::max(from, rowStart[static_cast<size_t>(r)]);
      double b = std::min(to, rowStart[static_cast<size_t>(r) + 1]);
      svg += "<rect class=\"note\" data-key=\"" + std::to_string(n.key) + "\" data-tick=\"" +
             std::to_string(n.start) + "\" x=\"" + Num(x(r, a)) + "\" y=\"" +
             Num(top(r) + (highest - n.key) * kKey) + "\" width=\"" +
             Num(std::max((b - a) * scale, 1.5)) + "\" height=\"" + Num(kKey) + "\" fill=\"" +
             kColours[n.channel] + "\"/>\n";
      pass();
    }
  }
  // the words under the rows, each at its tick
  for (const worditem& w : words) {
    double tick = static_cast<double>(w.tick);
    if (tick >= drawnEnd) break;
    int64_t r = rowOf(tick);
    double wx = x(r, tick);
    double wy = top(r) + roll + 14;
    if (w.kind == 'h') {
      svg += "<line class=\"held\" x1=\"" + Num(wx) + "\" y1=\"" + Num(wy - 4) + "\" x2=\"" +
             Num(wx + 10) + "\" y2=\"" + Num(wy - 4) + "\" stroke=\"#333\"/>\n";
      continue;
    }
    bool mark = w.kind == 'b';
    svg += std::string("<text class=\"") + (mark ? "break" : "syllable") + "\" x=\"" + Num(wx) +
           "\" y=\"" + Num(mark ? wy + 12 : wy) + "\"" + (mark ? " fill=\"#a00\"" : "") + ">" +
           XmlText(w.text) + "</text>\n";
    pass();
  }
  svg += "</svg>\n";
  put(svg);
}
