#include <gtest/gtest.h>

#include <algorithm>

#include "TestKit.h"

namespace {

const std::string kUsage =
    Lines({"SMF1TO0", "", "Converts type 1 to type 0 MidiFile", "", "Syntax: [program] [IMF] [OMF]",
           "", "IMF = name of 1-type MidiFile (Input)", "OMF = name of 0-type MidiFile (Output)"});

const CommandLine kSmf1to0 = {PROGRAM, kUsage, ": does Not exist", {}};

}  // namespace

TEST(smf1to0, SharedCommandLineRules) {
  ExpectCommandLine(
      kSmf1to0,
      SmfImage(1, 480,
               {"00 FF 51 03 07 A1 20  00 FF 2F 00", "00 90 3C 40  8F 00 80 3C 00  00 FF 2F 00"}),
      SmfImage(0, 480, {R"(
                        00 FF 51 03 07 A1 20
                        00 FF 0F 00      # the tempo track's End of Track
                        00 90 3C 40
                        8F 00 80 3C 00   # 1920
                        00 FF 2F 00)"}));
}

TEST(smf1to0, BytesAfterTheLastTrackAreIgnored) {
  ExpectConverted(kSmf1to0, SmfImage(1, 480, {"00 FF 2F 00", "00 C0 01  00 FF 2F 00"}, "00 FF 2F"),
                  "# midi bytes (41) < file size (44)\n",
                  SmfImage(0, 480, {"00 FF 0F 00  00 C0 01  00 FF 2F 00"}));
}

TEST(smf1to0, RefusedInputsWriteNothing) {
  // the structure check's lines are all tested with the check; here only that they reach the user
  const std::string refused = "<in> is NOT a type 1 MidiFile\n\n" + kUsage;
  bytes pastEnd = SmfImage(1, 480, {"00 FF 2F 00", "00 FF 2F 00"});
  pastEnd[21] = 3;
  struct Case {
    std::string name;
    bytes input;
    std::string out;
  } cases[] = {
      {"type 0", SmfImage(0, 480, {"00 FF 2F 00"}), refused},
      {"type 2", SmfImage(2, 480, {"00 FF 2F 00", "00 FF 2F 00"}), refused},
      {"empty file", {}, "No MidiFile Read yet\n"},
      {"event past its track's end", pastEnd, "Any Event error at : 26 > 25\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRefused(kSmf1to0, c.input, c.out);
  }
}

TEST(smf1to0, MidicsvReadsTheSameEventsAtTheSameTimes) {
  if (!HaveMidicsv()) GTEST_SKIP() << "midicsv is not installed";
  TempDir dir;
  WriteBytes(dir.Path("in.mid"),
             SmfImage(1, 480,
                      {"00 FF 51 03 07 A1 20  00 FF 58 04 04 02 18 08  00 FF 2F 00",
                       R"(00 FF 03 05 50 69 61 6E 6F   # Piano
                     00 C0 00  00 90 3C 64  83 60 3C 00  00 3E 64  83 60 3E 00  00 FF 2F 00)",
                       R"(00 FF 05 02 4C 61  00 91 43 50  83 60 81 43 00
                     00 FF 05 02 6C 61  00 91 45 50  83 60 45 00  00 FF 2F 00)"}));
  ASSERT_EQ(RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("out.mid")}).status, 0);
  // the input's events by time, ties in track order; every End of Track but the last becomes
  // the empty meta event
  std::vector<std::pair<int, std::string>> events;
  for (const std::string& record : Midicsv(dir.Path("in.mid"))) {
    size_t a = record.find(", ");
    size_t b = record.find(", ", a + 2);
    std::string rest = record.substr(b + 2);
    if (record.starts_with("0, ") || rest == "Start_track") continue;
    events.push_back({std::stoi(record.substr(a + 2, b - a - 2)),
                      rest == "End_track" ? "Unknown_meta_event, 15, 0" : rest});
  }
  ASSERT_EQ(events.size(), 17u);
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  events.back().second = "End_track";
  lijst want = {"0, 0, Header, 0, 1, 480", "1, 0, Start_track"};
  for (const auto& [time, rest] : events)
    want.push_back("1, " + std::to_string(time) + ", " + rest);
  want.push_back("0, 0, End_of_file");
  EXPECT_EQ(Midicsv(dir.Path("out.mid")), want);
}
