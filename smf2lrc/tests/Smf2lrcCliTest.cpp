// smf2lrc as a program: the rules every program shares, the format by option or by the
// output's extension, and ffmpeg reading the SRT and ASS it writes for the example song.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TestKit.h"

namespace {

const CommandLine kSmf2lrc = {
    PROGRAM,
    Lines({"SMF2LRC", "", "Writes the lyrics of a MidiFile with their times", "",
           "Syntax: [program] [--format F] [--track N] [IMF] [OTF]", "",
           "IMF = name of Input MidiFile", "OTF = name of Output TextFile",
           "--format F = lrc, elrc (timed syllables), srt or ass",
           "  (default: from the extension of OTF, else lrc)",
           "--track N = the track of the lyrics, from 1 (default: the one with most)"}),
    ": does Not exist",
    {},
    "timed lyrics"};

// Two syllables on two notes of a beat each at 120 a minute, the song named "S".
const bytes kSong = SmfImage(1, 96,
                             {"00 FF 03 01 53 00 FF 2F 00",
                              "00 FF 05 02 61 20 00 90 3C 64 60 FF 05 01 62 00 3E 64 "
                              "60 80 3C 00 00 3E 00 00 FF 2F 00"});

}  // namespace

TEST(smf2lrc, SharedCommandLineRules) {
  const std::string lrc = "[ti:S]\n[00:00.00]a b\n";
  ExpectCommandLine(kSmf2lrc, kSong, bytes(lrc.begin(), lrc.end()));
}

TEST(smf2lrc, FormatByOptionOrExtension) {
  struct Case {
    std::vector<std::string> options;
    std::string out;  // the output's name
    int status;
    std::string text;  // its first line, or the line printed
  } cases[] = {
      {{}, "x.SRT", 0, "1"},
      {{}, "x.ass", 0, "[Script Info]"},
      {{}, "x.txt", 0, "[ti:S]"},
      {{"--format", "elrc"}, "x.srt", 0, "[ti:S]"},
      {{"--format", "vtt"}, "x.srt", 2, "Format vtt is none of lrc, elrc, srt, ass"},
      {{"--track", "1"}, "x.lrc", 1, "Track 1 has no lyrics"},
      {{"--track", "3"}, "x.lrc", 1, "Track 3 out of [1,2] range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    TempDir dir;
    WriteBytes(dir.Path("in.mid"), kSong);
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {dir.Path("in.mid"), dir.Path(c.out)});
    RunResult r = RunProgram(PROGRAM, args);
    EXPECT_EQ(r.status, c.status);
    std::string text = c.status == 0 ? ReadText(dir.Path(c.out)) : r.out;
    EXPECT_EQ(text.substr(0, text.find('\n')), c.text);
  }
}

// The example song as SRT and ASS, read by ffmpeg into files of its own
TEST(smf2lrc, FfmpegReadsTheSubtitles) {
  TempDir dir;
  if (std::system(("command -v ffmpeg > '" + dir.Path("which") + "'").c_str()) != 0) {
    GTEST_SKIP() << "no ffmpeg";
  }
  const std::string song = dir.Path("song.mid");
  ASSERT_EQ(RunProgram(MEV2SMF, {std::string(EXAMPLES) + "/song.mev", song}).status, 0);
  struct Case {
    std::string format;
    std::string seen;  // in what ffmpeg writes
  } cases[] = {{"srt", "Sing a song for the day"}, {"ass", "{\\kf50}Sing {\\kf50}a"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    const std::string out = dir.Path("song." + c.format);
    ASSERT_EQ(RunProgram(PROGRAM, {song, out}).status, 0);
    std::string command = "ffmpeg -nostdin -loglevel error -y -i '" + out + "' '" +
                          dir.Path("read." + c.format) + "' 2>'" + dir.Path("err") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.Path("err"));
    std::string read = ReadText(dir.Path("read." + c.format));
    EXPECT_NE(read.find(c.seen), std::string::npos) << read;
  }
}
