// The bad-input matrix: the five real programs on one class of bad or odd input per row. Every
// row must end without a crash, a hang or a line on standard error (where the sanitizers
// report), and leave its input as it was. A refused input gives its exact lines, exit status 1
// (2 for a wrong argument count), no output file, and an existing output file untouched; an odd
// but valid input gives exit status 0 and the exact output file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "TestKit.h"

namespace {

// What stands under the input's name (the first argument) before the run: the input, a folder,
// an input that cannot be read, or nothing.
enum class Input : uint8_t { File, Folder, Unreadable, Missing };

struct Row {
  std::string what;               // the class of input
  std::string program;            // the program's path
  std::vector<std::string> args;  // names inside the row's own folder; the first is the input
  bytes input;                    // the input file's bytes
  int status;                     // the exit status
  std::string out;                // standard output, exactly
  std::optional<bytes> output = std::nullopt;  // the output file (the second argument) after
                                               // success; none when the input is refused
  Input kind = Input::File;
};

const std::string kExisting = "an output file from before\n";

// What an unreadable input links to when the tests run as root.
const char* const kUnreadable = "/proc/self/mem";

// True when the unreadable input in still holds data (read after giving read permission back)
// or, for root, still links to the same place.
bool Unchanged(const std::string& in, const bytes& data) {
  if (geteuid() == 0) {
    char target[64] = {};
    return readlink(in.c_str(), target, sizeof target - 1) > 0 &&
           std::string(target) == kUnreadable;
  }
  chmod(in.c_str(), 0644);
  bool same = ReadBytes(in) == data;
  chmod(in.c_str(), 0);
  return same;
}

std::string Name(const std::string& program) { return program.substr(program.rfind('/') + 1); }

void ExpectCleanEnding(const Row& row, const RunResult& e) {
  EXPECT_FALSE(e.hung) << "no ending within " << kTimeLimitSeconds << " s";
  EXPECT_LT(e.status, 128) << "ended by signal " << e.status - 128;
  EXPECT_EQ(e.err, "") << "standard error is not empty";
  EXPECT_EQ(e.status, row.status);
  // a 10 MB line is not printed whole when it differs
  if (e.out.size() < 4096 && row.out.size() < 4096) {
    EXPECT_EQ(e.out, row.out);
  } else {
    EXPECT_TRUE(e.out == row.out) << "standard output of " << e.out.size() << " bytes differs";
  }
}

void RunRow(const Row& row) {
  std::string trace = row.what + ": " + Name(row.program);
  for (const std::string& a : row.args) trace += " " + a.substr(0, 40);
  SCOPED_TRACE(trace);
  TempDir dir;
  const bool hasInput = !row.args.empty() && row.kind != Input::Missing;
  const std::string in = row.args.empty() ? "" : dir.Path(row.args[0]);
  if (hasInput && row.kind == Input::Folder) {
    mkdir(in.c_str(), 0755);
  } else if (hasInput && row.kind == Input::Unreadable && geteuid() == 0) {
    // root reads every file, but not the start of a process's memory
    symlink(kUnreadable, in.c_str());
  } else if (hasInput) {
    WriteBytes(in, row.input);
    if (row.kind == Input::Unreadable) chmod(in.c_str(), 0);
  }
  lijst before = dir.Entries();

  RunResult e = RunProgramIn(dir.Path(""), row.program, row.args);
  ExpectCleanEnding(row, e);
  const bool sameName = row.args.size() >= 2 && row.args[0] == row.args[1];
  if (hasInput && row.kind == Input::Unreadable) {
    EXPECT_TRUE(Unchanged(in, row.input)) << "the input changed";
  } else if (hasInput && row.kind != Input::Folder && !(sameName && row.output)) {
    EXPECT_TRUE(ReadBytes(in) == row.input) << "the input changed";
  }
  if (row.output) {
    const std::string out = dir.Path(row.args[1]);
    bytes written = ReadBytes(out);
    EXPECT_EQ(written.size(), row.output->size());
    EXPECT_TRUE(written == *row.output) << "the output file differs";
    lijst after = before;
    after.push_back(row.args[1]);
    std::sort(after.begin(), after.end());
    after.erase(std::unique(after.begin(), after.end()), after.end());
    EXPECT_EQ(dir.Entries(), after) << "an output file, and nothing else, is added";
    return;
  }
  EXPECT_EQ(dir.Entries(), before) << "a refused input leaves no file behind";

  // once more with an output file already there: it stays as it was
  if (row.args.size() < 2 || sameName || row.args[1].find('/') != std::string::npos) return;
  const std::string out = dir.Path(row.args[1]);
  WriteText(out, kExisting);
  RunResult again = RunProgramIn(dir.Path(""), row.program, row.args);
  ExpectCleanEnding(row, again);
  EXPECT_EQ(ReadText(out), kExisting) << "an existing output was touched";
  lijst after = before;
  after.push_back(row.args[1]);
  std::sort(after.begin(), after.end());
  EXPECT_EQ(dir.Entries(), after);
}

void RunRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) RunRow(row);
}

// ---- MIDI files

const std::string kMerger = SMF1TO0;
const std::string kRelabeller = VERSE2CHAN;
const std::string kCompiler = MEV2SMF;
const std::string kSheet = LYS2MEV;
const std::string kDecompiler = SMF2MEV;

// A header chunk of type and the number of tracks it announces, division 96.
std::string Header(int type, int tracks) {
  std::string hex = "4D 54 68 64 00 00 00 06  00 " + byte2hex(static_cast<uint8_t>(type)) + "  ";
  return hex + byte2hex(static_cast<uint8_t>(tracks >> 8)) + " " +
         byte2hex(static_cast<uint8_t>(tracks)) + "  00 60 ";
}

// hex with every "@@" made the type byte of a Lyric event as it is in the input (05) or after
// verse2chan with channel 3 (13).
std::string WithLyric(std::string hex, const std::string& type) {
  for (size_t at; (at = hex.find("@@")) != std::string::npos;) hex.replace(at, 2, type);
  return hex;
}

// A track chunk around the track data, its length stated as the data's.
std::string Track(const std::string& data) {
  uint32_t n = static_cast<uint32_t>(Hex(WithLyric(data, "05")).size());
  std::string hex = " 4D 54 72 6B ";
  for (int shift = 24; shift >= 0; shift -= 8) {
    hex += byte2hex(static_cast<uint8_t>(n >> shift)) + " ";
  }
  return hex + data + "\n";
}

bytes Before(const std::string& hex) { return Hex(WithLyric(hex, "05")); }
bytes After(const std::string& hex) { return Hex(WithLyric(hex, "13")); }

// A type-1 file: a tempo track (data 22 to 33) and a track with a Lyric event (41 to 59).
const std::string kTempo = "00 FF 51 03 07 A1 20   00 FF 2F 00";
const std::string kSong = "00 FF @@ 02 4C 61  00 90 3C 40  60 80 3C 00  00 FF 2F 00";
const std::string kTypeOne = Header(1, 2) + Track(kTempo) + Track(kSong);
// smf1to0's output for it: one track, End of Track folded into FF 0F 00 but for the last.
const std::string kTypeZero = Header(0, 1) + Track(R"(
    00 FF 51 03 07 A1 20  00 FF 0F 00  00 FF 05 02 4C 61  00 90 3C 40  60 80 3C 00  00 FF 2F 00)");

// A MIDI class run through both readers: the lines of each, the same exit status; for an
// accepted file both outputs.
struct MidiRow {
  std::string what;
  bytes input;
  int status;
  std::string merger;      // smf1to0's lines
  std::string relabeller;  // verse2chan's lines, "=" for the same lines and status; else it
                           // ends with 0 when it writes a file and 1 when not
  std::optional<bytes> type0 = std::nullopt;
  std::optional<bytes> relabelled = std::nullopt;
};

std::vector<Row> BothPrograms(const std::vector<MidiRow>& rows) {
  std::vector<Row> out;
  for (const MidiRow& r : rows) {
    out.push_back({r.what, kMerger, {"in.mid", "out.mid"}, r.input, r.status, r.merger, r.type0});
    out.push_back({r.what,
                   kRelabeller,
                   {"in.mid", "out.mid", "3"},
                   r.input,
                   r.relabeller == "=" ? r.status : (r.relabelled ? 0 : 1),
                   r.relabeller == "=" ? r.merger : r.relabeller,
                   r.relabelled});
  }
  return out;
}

// The parts one after another.
bytes Cat(std::initializer_list<bytes> parts) {
  bytes all;
  for (const bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

bytes Prefix(const bytes& b, size_t n) { return bytes(b.begin(), b.begin() + n); }

// ---- file names and arguments

const std::string kSongMev = "File 0 (1) 96\r\nTrack 1\r\n0\r\nMeta $2F(TrkEnd)\r\n";
const bytes kSongMid = Hex(Header(0, 1) + Track("00 FF 2F 00"));
const std::string kSheet1 = "Sun ny_morn ing\r\n";
const std::string kSheetMev =
    "File 0 (1) 120\r\nTrack #1\r\n0\r\nMeta $05(Lyric) Sun\r\n0\r\nMeta $05(Lyric) ny_\r\n"
    "0\r\nMeta $05(Lyric) morn\r\n0\r\nMeta $05(Lyric) ing\r\n0\r\nMeta $05(Lyric)\r\n"
    "0\r\nMeta $2F(TrkEnd)\r\n";

bytes B(const std::string& s) { return bytes(s.begin(), s.end()); }

// A row whose input is refused with lines and status.
Row Refused(const std::string& what, const std::string& program, const lijst& args,
            const bytes& input, const std::string& lines, int status = 1,
            Input kind = Input::File) {
  return {what, program, args, input, status, lines, std::nullopt, kind};
}

// A row whose odd input is valid: exit status 0, the lines (mostly none) and the output file.
Row Accepted(const std::string& what, const std::string& program, const lijst& args,
             const bytes& input, const bytes& output, const std::string& lines = "") {
  return {what, program, args, input, 0, lines, output};
}

// ---- MEV texts and lyric sheets

// A type-0 file of one track chunk around the data.
bytes TypeZeroOf(const bytes& data) {
  bytes file = Hex(Header(0, 1) + " 4D 54 72 6B");
  for (int shift = 24; shift >= 0; shift -= 8) {
    file.push_back(static_cast<uint8_t>(data.size() >> shift));
  }
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

// n as a variable-length quantity.
bytes Vlq(uint32_t n) {
  bytes out{static_cast<uint8_t>(n & 0x7F)};
  while (n >>= 7) out.insert(out.begin(), static_cast<uint8_t>(0x80 | (n & 0x7F)));
  return out;
}

}  // namespace

TEST(BadInputMatrix, MidiFilesRefused) {
  const bytes whole = Before(kTypeOne);
  ASSERT_EQ(whole.size(), 59u);
  const std::string tooShort = "MidiFile <= 14 bytes\n";
  std::vector<MidiRow> rows = {
      {"empty file", {}, 1, "No MidiFile Read yet\n", "="},
      {"1 byte", Prefix(whole, 1), 1, tooShort, "="},
      {"13 bytes", Prefix(whole, 13), 1, tooShort, "="},
      {"14 bytes: the header chunk alone", Prefix(whole, 14), 1, tooShort, "="},
      {"15 bytes: the header chunk and one byte", Prefix(whole, 15), 1,
       "# midi bytes (22) > file size (15)\n", "="},
      {"not a MIDI file: text", Hex("48 65 6C 6C 6F 2C 20 6E 6F 74 20 4D 49 44 49 0A"), 1,
       "Hell <> \"MThd\" in MF header\n", "="},
      {"not a MIDI file: a RIFF wrapper",
       Cat({Hex("52 49 46 46 3B 00 00 00 52 4D 49 44 64 61 74 61 33 00 00 00"), whole}), 1,
       "RIFF <> \"MThd\" in MF header\n", "="},
      {"track length FFFFFFFF",
       Before(Header(1, 2) + "4D 54 72 6B FF FF FF FF" + kTempo + Track(kSong)), 1,
       "# midi bytes (4294967317) > file size (59)\n", "="},
      {"track length 80000000",
       Before(Header(1, 2) + "4D 54 72 6B 80 00 00 00" + kTempo + Track(kSong)), 1,
       "# midi bytes (2147483670) > file size (59)\n", "="},
      {"3 tracks announced, 2 present", Before(Header(1, 3) + Track(kTempo) + Track(kSong)), 1,
       "# midi bytes (67) > file size (59)\n", "="},
      {"65535 tracks announced, 2 present", Before(Header(1, 65535) + Track(kTempo) + Track(kSong)),
       1, "# midi bytes (67) > file size (59)\n", "="},
      {"type 2, 65535 tracks announced, 2 present",
       Before(Header(2, 65535) + Track(kTempo) + Track(kSong)), 1,
       "# midi bytes (67) > file size (59)\n", "="},
      {"a delta time of FF bytes to the end of the file",
       Hex(Header(0, 1) + Track("FF FF FF FF FF FF")), 1, "Delta Time error at : 29 > 28\n",
       "Time > track size at : 29\n"},
      {"a meta length of FF bytes to the end of the file",
       Hex(Header(0, 1) + Track("00 FF 05 FF FF FF")), 1, "Any Event error at : 29 > 28\n",
       "Event > track size at : 29\n"},
      {"a sysex length of FF bytes to the end of the file",
       Hex(Header(0, 1) + Track("00 F0 FF FF FF FF")), 1, "Any Event error at : 29 > 28\n",
       "Event > track size at : 29\n"},
      {"a meta length past the end", Hex(Header(0, 1) + Track("00 FF 05 10 4C 61")), 1,
       "Any Event error at : 42 > 28\n", "Event > track size at : 42\n"},
      {"a sysex length past the end", Hex(Header(0, 1) + Track("00 F0 10 7E 7F")), 1,
       "Any Event error at : 41 > 27\n", "Event > track size at : 41\n"},
      {"a meta length of five bytes, FFFFFFFF",
       Hex(Header(0, 1) + Track("00 FF 01 8F FF FF FF 7F")), 1,
       "Any Event error at : 2147483647 > 30\n", "Event > track size at : 2147483647\n"},
      {"a channel message cut by the track's end", Hex(Header(0, 1) + Track("00 90 3C")), 1,
       "Any Event error at : 26 > 25\n", "Event > track size at : 26\n"},
  };
  // cut at every chunk boundary (14, 22, 33, 41) and inside each chunk header
  struct Cut {
    size_t size;
    std::string line;
  };
  for (const Cut& c : std::vector<Cut>{{4, tooShort},
                                       {8, tooShort},
                                       {18, "# midi bytes (22) > file size (18)\n"},
                                       {22, "# midi bytes (33) > file size (22)\n"},
                                       {30, "# midi bytes (33) > file size (30)\n"},
                                       {33, "# midi bytes (41) > file size (33)\n"},
                                       {37, "# midi bytes (41) > file size (37)\n"},
                                       {41, "# midi bytes (59) > file size (41)\n"},
                                       {50, "# midi bytes (59) > file size (50)\n"},
                                       {58, "# midi bytes (59) > file size (58)\n"}}) {
    rows.push_back({"truncated to " + std::to_string(c.size) + " bytes", Prefix(whole, c.size), 1,
                    c.line, "="});
  }
  RunRows(BothPrograms(rows));
  // smf2mev checks a file as smf1to0 does, with the same lines
  std::vector<Row> decompiled;
  for (const MidiRow& r : rows) {
    decompiled.push_back({r.what, kDecompiler, {"in.mid", "out.mev"}, r.input, r.status, r.merger});
  }
  RunRows(decompiled);
}

TEST(BadInputMatrix, MidiFilesOddButValid) {
  const std::string rest = "# midi bytes (59) < file size (85)\n";
  const std::string stray = "00 3C  00 FF @@ 01 61  00 FF 2F 00";  // 3C: no running status yet
  const std::string last = "00 FF @@ 01 61  00 FF 2F 00  60";      // a delta time, no event
  RunRows(BothPrograms({
      {"the whole file", Before(kTypeOne), 0, "", "=", Hex(kTypeZero), After(kTypeOne)},
      {"track length 0", Before(Header(1, 2) + Track("") + Track(kSong)), 0, "", "=",
       Hex(Header(0, 1) + Track(WithLyric(kSong, "05"))),
       After(Header(1, 2) + Track("") + Track(kSong))},
      {"bytes after the last announced track: a warning", Before(kTypeOne + Track(kSong)), 0, rest,
       "=", Hex(kTypeZero),
       // only the announced tracks are walked
       Cat({After(kTypeOne), Before(Track(kSong))})},
      {"a data byte with no running status at a track's start",
       Before(Header(1, 2) + Track(stray) + Track("00 90 3C 40  60 80 3C 00  00 FF 2F 00")), 0, "",
       "=",
       Hex(Header(0, 1) + Track("00 FF 05 01 61  00 FF 0F 00  00 90 3C 40  60 80 3C 00  "
                                "00 FF 2F 00")),
       After(Header(1, 2) + Track(stray) + Track("00 90 3C 40  60 80 3C 00  00 FF 2F 00"))},
      {"no End of Track in any track",
       Before(Header(1, 2) + Track("00 FF 51 03 07 A1 20") +
              Track("00 FF @@ 02 4C 61  00 90 3C 40  60 80 3C 00")),
       0, "", "=",
       // End of Track is added after the last event
       Hex(Header(0, 1) + Track("00 FF 51 03 07 A1 20  00 FF 05 02 4C 61  00 90 3C 40  "
                                "60 80 3C 00  00 FF 2F 00")),
       After(Header(1, 2) + Track("00 FF 51 03 07 A1 20") +
             Track("00 FF @@ 02 4C 61  00 90 3C 40  60 80 3C 00"))},
      // verse2chan looks for the missing event past the file's end, in the check and in the
      // walk, says so and goes on; smf1to0 takes it as an event overrunning the track
      {"the last track ends with a delta time at the end of the file",
       Before(Header(1, 2) + Track(kTempo) + Track(last)), 1, "Any Event error at : 52 > 51\n",
       "MidiFile size exceeded\nMidiFile size exceeded\n", std::nullopt,
       After(Header(1, 2) + Track(kTempo) + Track(last))},
  }));
}

TEST(BadInputMatrix, FileNames) {
  const bytes mid = Before(kTypeOne);
  const bytes mev = B(kSongMev);
  const bytes lys = B(kSheet1);
  const std::string folder = "a folder as input";
  const std::string nowhere = "an output in a folder that does not exist";
  // the output replaces the input once complete, when the input is of the kind written
  const std::string same = "output name equal to input name";
  RunRows({
      Refused(folder, kMerger, {"in.mid", "out.mid"}, {}, "in.mid is a folder\n", 1, Input::Folder),
      Refused(folder, kRelabeller, {"in.mid", "out.mid", "3"}, {}, "in.mid is a folder\n", 1,
              Input::Folder),
      Refused(folder, kCompiler, {"in.mev", "out.mid"}, {}, "in.mev is a folder\n", 1,
              Input::Folder),
      Refused(folder, kSheet, {"in.lys", "out.mev"}, {}, "in.lys is a folder\n", 1, Input::Folder),
      Refused(folder, kDecompiler, {"in.mid", "out.mev"}, {}, "in.mid is a folder\n", 1,
              Input::Folder),
      Refused(nowhere, kMerger, {"in.mid", "none/out.mid"}, mid,
              "none/out.mid: cannot be written\n"),
      Refused(nowhere, kRelabeller, {"in.mid", "none/out.mid", "3"}, mid,
              "none/out.mid: cannot be written\n"),
      Refused(nowhere, kCompiler, {"in.mev", "none/out.mid"}, mev,
              "none/out.mid: cannot be written\n"),
      Refused(nowhere, kSheet, {"in.lys", "none/out.mev"}, lys,
              "none/out.mev: cannot be written\n"),
      Refused(nowhere, kDecompiler, {"in.mid", "none/out.mev"}, mid,
              "none/out.mev: cannot be written\n"),
      Accepted(same, kMerger, {"in.mid", "in.mid"}, mid, Hex(kTypeZero)),
      Accepted(same, kRelabeller, {"in.mid", "in.mid", "3"}, mid, After(kTypeOne)),
      Refused(same, kCompiler, {"in.mev", "in.mev"}, mev,
              "in.mev exists and is not a MIDI file: not replaced\n"),
      Refused(same, kSheet, {"in.lys", "in.lys"}, lys,
              "in.lys exists and is not a MEV file: not replaced\n"),
      Refused(same, kDecompiler, {"in.mid", "in.mid"}, mid,
              "in.mid exists and is not a MEV file: not replaced\n"),
  });
}

// Without read permission; for root, who reads every file, a link to the start of the program's
// own memory, which no one can read.
TEST(BadInputMatrix, UnreadableInput) {
  const std::string what = "an input that cannot be read";
  const bytes mid = Before(kTypeOne);
  RunRows({
      Refused(what, kMerger, {"in.mid", "out.mid"}, mid, "in.mid: cannot be read\n", 1,
              Input::Unreadable),
      Refused(what, kRelabeller, {"in.mid", "out.mid", "3"}, mid, "in.mid: cannot be read\n", 1,
              Input::Unreadable),
      Refused(what, kCompiler, {"in.mev", "out.mid"}, B(kSongMev), "in.mev: cannot be read\n", 1,
              Input::Unreadable),
      Refused(what, kSheet, {"in.lys", "out.mev"}, B(kSheet1), "in.lys: cannot be read\n", 1,
              Input::Unreadable),
      Refused(what, kDecompiler, {"in.mid", "out.mev"}, mid, "in.mid: cannot be read\n", 1,
              Input::Unreadable),
  });
}

TEST(BadInputMatrix, Arguments) {
  const bytes mid = Before(kTypeOne);
  const bytes mev = B(kSongMev);
  const bytes lys = B(kSheet1);
  const std::string v2cUsage =
      Lines({"VERSE2CHAN", "", "Convert Lyric to Chantext channel", "",
             "Syntax: [program] [IMF] [OMF] [CH]", "", "IMF = name of Input MidiFile",
             "OMF = name of Output MidiFile", " CH = channel-number [0,15]"});
  const std::string s10Usage = Lines(
      {"SMF1TO0", "", "Converts type 1 to type 0 MidiFile", "", "Syntax: [program] [IMF] [OMF]", "",
       "IMF = name of 1-type MidiFile (Input)", "OMF = name of 0-type MidiFile (Output)"});
  const std::string m2sUsage =
      Lines({"MEV2SMF", "", "Converts TextFile to MidiFile", "Time Differences, Note differences",
             "", "Syntax: [program] [--strict] [ITF] [OMF]", "", "ITF = name of Input TextFile",
             "Text behind timestamp allowed", "OMF = name of Output MidiFile",
             "--strict = a warning counts as an error"});
  const std::string l2mUsage =
      Lines({"LYS2MEV", "", "Converts Lyricsheet to Midi Text", "", "Syntax: [program] [ITF] [OTF]",
             "", "ITF = name of Input TextFile (LYS)", "OTF = name of Output TextFile (MEV)"});
  const std::string s2mUsage =
      Lines({"SMF2MEV", "", "Converts MidiFile to Midi Text",
             "and puts the syllables of a Lyricsheet on the notes of a melody", "",
             "Syntax: [program] [options] [IMF] [OTF] [LYS] [TRACK] [CH]", "",
             "IMF = name of Input MidiFile", "OTF = name of Output TextFile (MEV)",
             "LYS = name of Lyricsheet (optional)",
             "TRACK = track of the melody, from 1 (optional; default: the first with notes)",
             "CH = channel of the melody [0,15] (optional; default: every channel)",
             "Options, before IMF, with LYS:",
             "--tolerance TICKS = notes starting closer are one chord (default: a 64th note)",
             "--replace = the lyrics the track holds are left out",
             "--verse N = only verse N of LYS (verses are parted by empty lines)"});
  RunRows({
      Refused("channel 16", kRelabeller, {"in.mid", "out.mid", "16"}, mid,
              "Channel 16 out of [0,15] range\n"),
      Refused("channel 16", kDecompiler, {"in.mid", "out.mev", "in.lys", "2", "16"}, mid,
              "Channel 16 out of [0,15] range\n"),
      Refused("track 3 of 2", kDecompiler, {"in.mid", "out.mev", "in.mid", "3"}, mid,
              "Track 3 out of [1,2] range\n"),
      Refused("channel -1", kRelabeller, {"in.mid", "out.mid", "-1"}, mid,
              "Channel -1 out of [0,15] range\n"),
      // the channel is shown as typed: no wrap at 32 bits
      Refused("channel 99999999999", kRelabeller, {"in.mid", "out.mid", "99999999999"}, mid,
              "Channel 99999999999 out of [0,15] range\n"),
      Refused("channel 16 and no input: the channel is checked first", kRelabeller,
              {"in.mid", "out.mid", "16"}, {}, "Channel 16 out of [0,15] range\n", 1,
              Input::Missing),
      // digits only
      Refused("channel x", kRelabeller, {"in.mid", "out.mid", "x"}, mid,
              "Channel x out of [0,15] range\n"),
      Refused("no arguments", kRelabeller, {}, {}, v2cUsage, 2),
      Refused("one argument too many", kRelabeller, {"in.mid", "out.mid", "3", "4"}, mid, v2cUsage,
              2),
      Refused("no arguments", kMerger, {}, {}, s10Usage, 2),
      Refused("one argument too many", kMerger, {"in.mid", "out.mid", "3"}, mid, s10Usage, 2),
      Refused("no arguments", kCompiler, {}, {}, m2sUsage, 2),
      Refused("one argument too many", kCompiler, {"in.mev", "out.mid", "3"}, mev, m2sUsage, 2),
      Refused("no arguments", kSheet, {}, {}, l2mUsage, 2),
      Refused("one argument too many", kSheet, {"in.lys", "out.mev", "3"}, lys, l2mUsage, 2),
      Refused("no arguments", kDecompiler, {}, {}, s2mUsage, 2),
      Refused("one argument too many", kDecompiler, {"in.mid", "out.mev", "a", "1", "2", "3"}, mid,
              s2mUsage, 2),
  });
}

TEST(BadInputMatrix, MevTexts) {
  const lijst args = {"in.mev", "out.mid"};
  const std::string head = "File 0 (1) 96\nTrack\n";
  const std::string nul(1, '\0');
  RunRows({
      Refused("empty file", kCompiler, args, {}, "NO MidiFile header\n"),
      Refused("1 byte", kCompiler, args, B("F"), "Wrong header: NO #type #ticks\n"),
      Refused("a MIDI file", kCompiler, args, Before(kTypeOne), "NO MidiFile header\n"),
      Refused("a header and no track", kCompiler, args, B("File 0 (1) 96\r\n"),
              "NO Tracks found\n"),
      Accepted("NUL bytes inside a lyric", kCompiler, args,
               B(head + "0\nMeta $05(Lyric) a" + nul + "b\nMeta $2F\n"),
               TypeZeroOf(Hex("00 FF 05 03 61 00 62  00 FF 2F 00"))),
      Refused("a NUL byte as a line", kCompiler, args, B(head + nul + "\nMeta $2F\n"),
              "Error in line 3: " + nul + " (byte 00 is no kind letter)\n"),
      // a CR alone ends no line: the whole text is one header line with four numbers
      Refused("CR-only line ends", kCompiler, args,
              B("File 0 (1) 96\rTrack 1\r0\rMeta $2F(TrkEnd)\r"),
              "Wrong header: NO #type #ticks\n"),
      // the compiler adds the End of Track, and warns
      Accepted("no End of Track", kCompiler, args, B(head + "0\nN 0 60 100\n96\nN 0 60 0\n"),
               TypeZeroOf(Hex("00 90 3C 64  60 3C 00  00 FF 2F 00")),
               "Warning in line 6: N 0 60 0 (the track ends without Meta $2F(TrkEnd): one is "
               "added)\n"),
  });
}

TEST(BadInputMatrix, MevTextsLarge) {
  const lijst args = {"in.mev", "out.mid"};
  const std::string head = "File 0 (1) 96\nTrack\n";
  std::string times = head;
  bytes timed = Hex("01");
  for (int i = 0; i < 100000; i++) times += "1\n";
  for (int i = 1; i < 100000; i++) timed.insert(timed.end(), {0xFF, 0x0F, 0x00, 0x01});
  times += "Meta $2F\n";
  timed.insert(timed.end(), {0xFF, 0x2F, 0x00});

  const std::string text(10 << 20, 'a');
  const std::string digits(10 << 20, '1');
  RunRows({
      // each time line after the first gets an empty meta event to stand in front of
      Accepted("100,000 time lines in a row", kCompiler, args, B(times), TypeZeroOf(timed)),
      Accepted("a 10 MB lyric line", kCompiler, args,
               B(head + "0\nMeta $05(Lyric) " + text + "\nMeta $2F\n"),
               TypeZeroOf(Cat({Hex("00 FF 05"), Vlq(10 << 20), B(text), Hex("00 FF 2F 00")}))),
      // a timestamp of over 255 characters
      Refused(
          "a 10 MB time line", kCompiler, args, B(head + digits + "\nMeta $2F\n"),
          "Error in line 3: " + digits + " (a time line holds at most 255 digits and blanks)\n"),
  });
}

TEST(BadInputMatrix, LyricSheets) {
  const lijst args = {"in.lys", "out.mev"};
  const std::string head = "File 0 (1) 120\r\nTrack #1\r\n";
  const std::string tail = "0\r\nMeta $05(Lyric)\r\n0\r\nMeta $2F(TrkEnd)\r\n";
  auto lyric = [](const std::string& piece) { return "0\r\nMeta $05(Lyric) " + piece + "\r\n"; };
  const std::string nul(1, '\0');

  const std::string words = "supercalifragilistic_expialidocious ";
  std::string sheet;
  std::string mev = head;
  while (sheet.size() + words.size() < (10 << 20)) {
    sheet += words;
    mev += lyric("supercalifragilistic_") + lyric("expialidocious");
  }
  sheet += "end";
  mev += lyric("end") + tail;

  RunRows({
      Accepted("empty sheet", kSheet, args, {}, B(head + tail)),
      // a CR alone ends no line and is dropped: the words on both sides join
      Accepted("CR-only line ends", kSheet, args, B("Sun ny_\rmorn ing\r"),
               B(head + lyric("Sun") + lyric("ny_") + lyric("morn") + lyric("ing") + tail)),
      Accepted("NUL bytes", kSheet, args, B("a" + nul + "b " + nul + "\n"),
               B(head + lyric("a" + nul + "b") + lyric(nul) + tail)),
      Accepted("a 10 MB sheet without a line end", kSheet, args, B(sheet), B(mev)),
  });
}
