// Ordinary shell habits through the real programs: - for standard input and output, pipes,
// FIFOs, devices and symbolic links as outputs, existing files of another kind as outputs,
// --help and --version, one-track files, and times past 7FFFFFFF hex. Each row is a shell line
// run in a folder of its own that holds the files of Fixture().
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestKit.h"

namespace {

const std::vector<std::string> kPrograms = {MEV2SMF, LYS2MEV, SMF1TO0, VERSE2CHAN, SMF2MEV};

std::string Text(const bytes& b) { return std::string(b.begin(), b.end()); }

const std::string kTempo = "00 FF 51 03 07 A1 20  00 FF 2F 00";
const std::string kSong = "00 FF 05 02 4C 61  00 90 3C 40  60 80 3C 00  00 FF 2F 00";
const std::string kMerged =
    "00 FF 51 03 07 A1 20  00 FF 0F 00  00 FF 05 02 4C 61  00 90 3C 40  60 80 3C 00  00 FF 2F 00";
const std::string kSheetMev =
    "File 0 (1) 120\r\nTrack #1\r\n0\r\nMeta $05(Lyric) Sun\r\n0\r\nMeta $05(Lyric) ny_\r\n"
    "0\r\nMeta $05(Lyric) morn\r\n0\r\nMeta $05(Lyric) ing\r\n0\r\nMeta $05(Lyric)\r\n"
    "0\r\nMeta $2F(TrkEnd)\r\n";
const std::string kSheetMid = Text(SmfImage(0, 120, {R"(
    00 FF 05 03 53 75 6E  00 FF 05 03 6E 79 20  00 FF 05 04 6D 6F 72 6E  00 FF 05 03 69 6E 67
    00 FF 05 00  00 FF 2F 00)"}));
const std::string kSongMid = Text(SmfImage(0, 96, {"00 FF 2F 00"}));
const std::string kType0 = Text(SmfImage(0, 96, {kMerged}));
const std::string kNotes = "notes\n";

// The files every row's folder holds before its line runs.
std::map<std::string, std::string> Fixture() {
  return {
      {"song.lys", "Sun ny_morn ing\r\n"},
      {"song.mev", "File 0 (1) 96\r\nTrack 1\r\n0\r\nMeta $2F(TrkEnd)\r\n"},
      {"bad.mev", "File 0 (1) 96\r\nTrack 1\r\nX 1 2\r\n"},
      {"song.mid", Text(SmfImage(1, 96, {kTempo, kSong}))},
      {"trail.mid", Text(SmfImage(1, 96, {kTempo, kSong}, "00"))},
      {"one.mid", Text(SmfImage(1, 96, {"00 FF 05 01 61  00 FF 2F 00"}))},
      {"notes.txt", kNotes},
      {"empty", ""},
  };
}

struct Row {
  std::string line;                               // a shell line; the programs are found on PATH
  int status;                                     // the line's exit status: the last command's
  std::string out;                                // standard output, exactly
  std::string err;                                // standard error, exactly
  std::map<std::string, std::string> files = {};  // files after the run; the other files of
                                                  // Fixture() are as they were
  bool root = false;                              // needs root (mknod)
};

// The folders of the programs, for PATH.
std::string ProgramPath() {
  std::string path;
  for (const std::string& p : kPrograms) path += p.substr(0, p.rfind('/')) + ":";
  return path;
}

void RunRow(const Row& row) {
  SCOPED_TRACE(row.line);
  TempDir dir;
  std::map<std::string, std::string> fixture = Fixture();
  for (const auto& [name, text] : fixture) WriteText(dir.Path(name), text);
  RunResult r =
      RunProgramIn(dir.Path(""), "/bin/sh", {"-c", "PATH=" + ProgramPath() + "$PATH; " + row.line});
  EXPECT_FALSE(r.hung);
  EXPECT_EQ(r.status, row.status);
  EXPECT_TRUE(r.out == row.out) << "standard output differs: " << testing::PrintToString(r.out);
  EXPECT_EQ(r.err, row.err);
  for (const auto& [name, text] : row.files) {
    EXPECT_TRUE(ReadText(dir.Path(name)) == text) << name << " differs";
  }
  for (const auto& [name, text] : fixture) {
    if (!row.files.contains(name)) {
      EXPECT_EQ(ReadText(dir.Path(name)), text) << name;
    }
  }
  // no file named -, and no temporary file left behind
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path(""))) {
    std::string name = entry.path().filename().string();
    EXPECT_NE(name, "-");
    EXPECT_NE(name[0], '.') << name;
  }
}

// The events of a type-0 file's track with their absolute times, summed without a limit, the
// empty meta events FF 0F 00 left out; channel events are 8n and 9n only, meta lengths one byte.
std::vector<std::string> TimedEvents(const bytes& f) {
  EXPECT_EQ(bytes(f.begin(), f.begin() + 12), Hex("4D 54 68 64 00 00 00 06 00 00 00 01"));
  EXPECT_EQ(f.size() - 22,
            static_cast<size_t>(f.at(18) << 24 | f.at(19) << 16 | f.at(20) << 8 | f.at(21)));
  std::vector<std::string> events;
  int64_t time = 0;
  uint8_t status = 0;
  for (size_t p = 22; p < f.size();) {
    uint32_t delta = 0;
    do delta = delta << 7 | (f.at(p) & 0x7F);
    while (f.at(p++) & 0x80);
    time += delta;
    bytes e;
    if (f.at(p) == 0xFF) {
      for (size_t n = 3 + f.at(p + 2); n > 0; n--) e.push_back(f.at(p++));
    } else {
      if (f.at(p) & 0x80) status = f.at(p++);
      e = {status, f.at(p), f.at(p + 1)};
      p += 2;
    }
    if (e != Hex("FF 0F 00")) events.push_back(std::to_string(time) + bytes2hex(e));
  }
  return events;
}

}  // namespace

TEST(Shell, EveryHabit) {
  const std::string relabelled = Text(SmfImage(0, 96, {replaceall(kMerged, "FF 05", "FF 13")}));
  const std::string trailNote = "# midi bytes (59) < file size (60)\n";
  std::vector<Row> rows = {
      // - in and out; messages go to standard error while standard output carries the data
      {"lys2mev song.lys -", 0, kSheetMev, ""},
      {"cat song.lys | lys2mev - - | mev2smf - sheet.mid", 0, "", "", {{"sheet.mid", kSheetMid}}},
      {"cat song.mev | mev2smf - -", 0, kSongMid, ""},
      {"cat song.mid | smf1to0 - - | verse2chan - - 3", 0, relabelled, ""},
      {"smf1to0 trail.mid -", 0, kType0, trailNote},
      {"smf1to0 trail.mid out.mid", 0, trailNote, "", {{"out.mid", kType0}}},
      {"mev2smf bad.mev -", 1, "",
       "Error in line 3: X 1 2 (1 is no status byte: X takes $80 to $FF first)\n"},
      {"cat bad.mev | mev2smf - -", 1, "",
       "Error in line 3: X 1 2 (1 is no status byte: X takes $80 to $FF first)\n"},
      {"lys2mev none.lys -", 1, "", "none.lys: does Not exist\n"},
      {"verse2chan song.mid - 16", 1, "", "Channel 16 out of [0,15] range\n"},
      {"smf2mev trail.mid - | mev2smf - back.mid",
       0,
       "",
       trailNote,
       {{"back.mid", Fixture()["song.mid"]}}},
      {"smf2mev song.mid - song.lys 2 x", 1, "", "Channel x out of [0,15] range\n"},
      {"smf2mev song.mid - song.lys 3", 1, "", "Track 3 out of [1,2] range\n"},
      // outputs that are no plain file
      {"mkfifo p && { cat p > got & } && mev2smf song.mev p && wait && test -p p && echo fifo",
       0,
       "fifo\n",
       "",
       {{"got", kSongMid}}},
      {"mknod null c 1 3 && smf1to0 song.mid null && test -c null && echo device",
       0,
       "device\n",
       "",
       {},
       true},
      {"mkdir sub && ln -s sub/new.mid link.mid && mev2smf song.mev link.mid && test -L link.mid "
       "&& echo link",
       0,
       "link\n",
       "",
       {{"sub/new.mid", kSongMid}}},
      {"mkdir sub && cp song.mid sub/s.mid && ln -s s.mid sub/l.mid && smf1to0 sub/l.mid sub/l.mid "
       "&& test -L sub/l.mid && echo link",
       0,
       "link\n",
       "",
       {{"sub/s.mid", kType0}}},
      // an existing file of another kind stays; an empty one or one of the kind is replaced
      {"ln -s notes.txt link.mid && mev2smf song.mev link.mid", 1,
       "link.mid exists and is not a MIDI file: not replaced\n", ""},
      {"mev2smf song.mev bad.mev", 1, "bad.mev exists and is not a MIDI file: not replaced\n", ""},
      {"lys2mev song.lys notes.txt", 1, "notes.txt exists and is not a MEV file: not replaced\n",
       ""},
      {"lys2mev song.lys song.mid", 1, "song.mid exists and is not a MEV file: not replaced\n", ""},
      {"smf2mev song.mid notes.txt", 1, "notes.txt exists and is not a MEV file: not replaced\n",
       ""},
      {"verse2chan song.mid song.mev 3", 1,
       "song.mev exists and is not a MIDI file: not replaced\n", ""},
      {"smf1to0 notes.txt bad.mev", 1, "MidiFile <= 14 bytes\n", ""},  // the input's line alone
      {"smf1to0 song.mid empty", 0, "", "", {{"empty", kType0}}},
      {"lys2mev song.lys song.mev", 0, "", "", {{"song.mev", kSheetMev}}},
      {"mev2smf song.mev trail.mid", 0, "", "", {{"trail.mid", kSongMid}}},
      // a type-1 file of one track
      {"smf1to0 one.mid -", 0, Text(SmfImage(0, 96, {"00 FF 05 01 61  00 FF 2F 00"})), ""},
      {"verse2chan one.mid - 3", 0, Text(SmfImage(1, 96, {"00 FF 13 01 61  00 FF 2F 00"})), ""},
  };
  for (const Row& row : rows) {
    if (row.root && geteuid() != 0) {
      std::cerr << "\n*** not root: SKIPPED " << row.line << " ***\n\n";
      continue;
    }
    RunRow(row);
  }
}

TEST(Shell, HelpAndVersion) {
  for (const std::string& program : kPrograms) {
    std::string name = program.substr(program.rfind('/') + 1);
    SCOPED_TRACE(name);
    RunResult usage = RunProgram(program, {});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.out.find("Syntax: [program]"), std::string::npos);
    for (const char* help : {"--help", "-h"}) {
      RunResult r = RunProgram(program, {help});
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, usage.out);
    }
    RunResult r = RunProgram(program, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, name + " (lyricmidi) " + VERSION + "\n");
  }
}

TEST(Shell, Smf1to0KeepsTimesPast7FFFFFFF) {
  TempDir dir;
  WriteBytes(dir.Path("far.mid"), SmfImage(1, 96,
                                           {R"(
      8F FF FF FF 7F FF 01 01 61   # FFFFFFFF
      8F FF FF FF 7F FF 01 01 62   # 1FFFFFFFE
      00 FF 2F 00)",
                                            R"(
      88 80 80 80 00 90 3C 40      # 80000000
      81 80 80 80 00 80 3C 00      # 90000000
      00 FF 2F 00)"}));
  RunResult r = RunProgramIn(dir.Path(""), SMF1TO0, {"far.mid", "-"});
  ASSERT_EQ(r.status, 0);
  ASSERT_GT(r.out.size(), 22u);
  EXPECT_EQ(TimedEvents(bytes(r.out.begin(), r.out.end())),
            (std::vector<std::string>{"2147483648 90 3C 40", "2415919104 80 3C 00",
                                      "4294967295 FF 01 01 61", "8589934590 FF 01 01 62",
                                      "8589934590 FF 2F 00"}));
}
