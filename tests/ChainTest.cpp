// The README's main job: examples/chain.sh puts the example sheet's syllables on the melody's
// notes and takes the song through every program.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "TestKit.h"

namespace {

// The fields of a midicsv record.
lijst Fields(const std::string& record) {
  lijst fields;
  size_t begin = 0;
  for (size_t comma = record.find(", "); comma != std::string::npos;
       comma = record.find(", ", begin)) {
    fields.push_back(record.substr(begin, comma - begin));
    begin = comma + 2;
  }
  fields.push_back(record.substr(begin));
  return fields;
}

}  // namespace

TEST(chain, EverySyllableSoundsWithItsNote) {
  TempDir dir;
  RunResult r = RunProgram("/bin/bash", {EXAMPLES "/chain.sh", BUILD_DIR, dir.Path("")});
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* result : {"song.mev", "song.mid", "song-type0.mid", "song-karaoke.mid"}) {
    EXPECT_TRUE(Exists(dir.Path(result))) << result;
  }
  if (!HaveMidicsv()) GTEST_SKIP() << "midicsv is not installed";
  // in the type-1 and the type-0 file every lyric stands at the tick of a note on, and each
  // onset of the melody has one
  for (const char* file : {"song.mid", "song-type0.mid"}) {
    SCOPED_TRACE(file);
    std::set<std::string> onsets;
    std::map<std::string, std::string> lyrics;  // tick -> syllable
    for (const std::string& record : Midicsv(dir.Path(file))) {
      lijst f = Fields(record);
      if (f.size() == 6 && f[2] == "Note_on_c" && f[5] != "0") onsets.insert(f[1]);
      if (f.size() == 4 && f[2] == "Lyric_t") lyrics[f[1]] = f[3];
    }
    std::set<std::string> lyricTicks;
    for (const auto& [tick, syllable] : lyrics) lyricTicks.insert(tick);
    EXPECT_EQ(lyricTicks, onsets);
    EXPECT_EQ(lyrics.size(), 13u);
    EXPECT_EQ(lyrics["0"], "\"Morn\"");
  }
}
