// Runs one fuzz target's routine FUZZ_ENTRY over its seed corpus and its regression inputs, in
// every build. FUZZ_NAME names the target's folders, FUZZ_SUITE the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "TestKit.h"

namespace {

namespace fs = std::filesystem;

// The files of the target's folder of kind ("corpus" or "regressions"), sorted; none when it
// does not exist.
std::vector<fs::path> Inputs(const char* kind) {
  std::vector<fs::path> files;
  fs::path folder = fs::path(FUZZ_DIR) / kind / FUZZ_NAME;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void Replay(const std::vector<fs::path>& files) {
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    bytes input = ReadBytes(file.string());
    SetFuzzInputName(file.string());
    EXPECT_EQ(FUZZ_ENTRY(input.data(), input.size()), 0);
  }
  SetFuzzInputName("");
}

}  // namespace

TEST(FUZZ_SUITE, SeedCorpus) {
  std::vector<fs::path> seeds = Inputs("corpus");
  EXPECT_FALSE(seeds.empty()) << "no seed corpus for " << FUZZ_NAME;
  Replay(seeds);
}

TEST(FUZZ_SUITE, Regressions) {
  std::vector<fs::path> inputs = Inputs("regressions");
  if (inputs.empty()) GTEST_SKIP() << "no regression inputs kept for " << FUZZ_NAME;
  Replay(inputs);
}

TEST(FUZZ_SUITE, EmptyAndOneByteInputs) {
  EXPECT_EQ(FUZZ_ENTRY(nullptr, 0), 0);
  for (int b = 0; b < 256; b++) {
    uint8_t one = static_cast<uint8_t>(b);
    EXPECT_EQ(FUZZ_ENTRY(&one, 1), 0);
  }
}
