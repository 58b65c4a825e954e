#include "TestKit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

bytes Hex(const std::string& text) {
  bytes out;
  std::string digits;
  bool comment = false;
  for (char c : text) {
    if (c == '#') comment = true;
    if (c == '\n') comment = false;
    if (!comment && ishex(c)) digits += c;
  }
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(hex2half(digits[i]) << 4 | hex2half(digits[i + 1])));
  }
  return out;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/suite-test-XXXXXX";
  path = mkdtemp(pattern.data()) ? pattern : "";
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> TempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

RunResult RunProgramIn(const std::string& folder, const std::string& program,
                       const std::vector<std::string>& args) {
  RunResult e;
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return e;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&e.out, &e.err};
  int open = spawned == 0 ? 2 : 0;
  char block[1 << 16];
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      e.hung = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; i++) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t got = read(fds[i].fd, block, sizeof block);
      if (got > 0) {
        into[i]->append(block, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        open--;
      }
    }
  }
  close(out[0]);
  close(err[0]);
  if (spawned != 0) return e;
  int status = 0;
  waitpid(pid, &status, 0);
  e.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return e;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  RunResult r = RunProgramIn(".", program, args);
  std::cerr << r.err;  // a sanitizer report shows in the test's log
  return r;
}

std::string ReadText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bytes ReadBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

void WriteBytes(const std::string& name, const bytes& data) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

bool Exists(const std::string& name) { return access(name.c_str(), F_OK) == 0; }

std::string UnreadableFile(const TempDir& dir) {
  if (geteuid() == 0) return "/proc/self/mem";
  std::string name = dir.Path("unreadable");
  WriteText(name, "File 0 (1) 96\nTrack\n");
  chmod(name.c_str(), 0);
  return name;
}

bool HaveMidicsv() {
  static const bool have = [] {
    bool found = std::system("command -v midicsv >/dev/null 2>&1") == 0;
    if (!found) {
      std::cerr << "\n*** midicsv is not installed: the interop checks against it are SKIPPED "
                   "(apt-get install midicsv) ***\n\n";
    }
    return found;
  }();
  return have;
}

std::vector<std::string> Midicsv(const std::string& name) {
  RunResult r = RunProgram("/usr/bin/midicsv", {name});
  std::vector<std::string> records;
  if (r.status != 0) return records;
  std::string line;
  for (char c : r.out) {
    if (c == '\n') {
      records.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  return records;
}

bytes SmfImage(uint16_t type, uint16_t division, const std::vector<std::string>& tracks,
               const std::string& trailing) {
  bytes f = Hex("4D 54 68 64 00 00 00 06");
  for (size_t v : {size_t{type}, tracks.size(), size_t{division}}) {
    f.push_back(static_cast<uint8_t>(v >> 8));
    f.push_back(static_cast<uint8_t>(v));
  }
  for (const std::string& text : tracks) {
    bytes t = Hex(text);
    for (uint8_t b : Hex("4D 54 72 6B")) f.push_back(b);
    for (int shift = 24; shift >= 0; shift -= 8) {
      f.push_back(static_cast<uint8_t>(t.size() >> shift));
    }
    f.insert(f.end(), t.begin(), t.end());
  }
  for (uint8_t b : Hex(trailing)) f.push_back(b);
  return f;
}

namespace {

// The arguments in and out, then the extra ones of cli.
std::vector<std::string> Args(const CommandLine& cli, const std::string& in,
                              const std::string& out) {
  std::vector<std::string> all = {in, out};
  all.insert(all.end(), cli.extra.begin(), cli.extra.end());
  return all;
}

}  // namespace

void ExpectCommandLine(const CommandLine& cli, const bytes& input, const bytes& output) {
  TempDir dir;
  WriteBytes(dir.Path("in"), input);
  WriteBytes(dir.Path("same"), input);
  WriteText(dir.Path("old"), "keep");
  std::string unreadable = UnreadableFile(dir);
  std::vector<std::string> fewer = Args(cli, dir.Path("in"), dir.Path("new")), more = fewer;
  const std::string article = cli.kind == "SVG" ? " an " : " a ";
  const std::string notReplaced =
      " exists and is not" + article + cli.kind + " file: not replaced\n";
  const bool midiToMidi = cli.kind == "MIDI" && ReadText(dir.Path("in")).starts_with("MThd");
  fewer.pop_back();
  more.resize(more.size() + cli.optional + 1, "x");
  struct Run {
    std::vector<std::string> args;
    int status;
    std::string out;
  } runs[] = {
      {{}, 2, cli.usage},
      {fewer, 2, cli.usage},
      {more, 2, cli.usage},
      {Args(cli, dir.Path("none"), dir.Path("old")), 1, dir.Path("none") + cli.missing + "\n"},
      {Args(cli, dir.Path("."), dir.Path("new")), 1, dir.Path(".") + " is a folder\n"},
      {Args(cli, "--strct", dir.Path("new")), 2, "Unknown option --strct\n" + cli.usage},
      {Args(cli, "", dir.Path("new")), 1, cli.missing + "\n"},
      {Args(cli, unreadable, dir.Path("old")), 1, unreadable + ": cannot be read\n"},
      {Args(cli, dir.Path("in"), dir.Path("no/new")), 1,
       dir.Path("no/new") + ": cannot be written\n"},
      {Args(cli, dir.Path("in"), dir.Path("old")), 1, dir.Path("old") + notReplaced},
      {Args(cli, dir.Path("same"), dir.Path("same")), midiToMidi ? 0 : 1,
       midiToMidi ? "" : dir.Path("same") + notReplaced},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(testing::PrintToString(run.args));
    RunResult r = RunProgram(cli.program, run.args);
    EXPECT_EQ(r.status, run.status);
    EXPECT_EQ(r.out, run.out);
    EXPECT_EQ(ReadText(dir.Path("old")), "keep");
    EXPECT_FALSE(Exists(dir.Path("new")));
  }
  EXPECT_EQ(ReadBytes(dir.Path("same")), midiToMidi ? output : input);
  ExpectConverted(cli, input, "", output);
}

void ExpectConverted(const CommandLine& cli, const bytes& input, const std::string& out,
                     const bytes& output) {
  TempDir dir;
  WriteBytes(dir.Path("in"), input);
  bytes old = output;
  old.insert(old.end(), 10000, 'o');
  WriteBytes(dir.Path("out"), old);  // replaced whole
  RunResult r = RunProgram(cli.program, Args(cli, dir.Path("in"), dir.Path("out")));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(ReadBytes(dir.Path("out")), output);
  EXPECT_EQ(ReadBytes(dir.Path("in")), input);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in", "out"}));
}

void ExpectRefused(const CommandLine& cli, const bytes& input, const std::string& out) {
  TempDir dir;
  WriteBytes(dir.Path("in"), input);
  WriteText(dir.Path("old"), "keep");
  for (const std::string& name : {dir.Path("old"), dir.Path("new")}) {
    RunResult r = RunProgram(cli.program, Args(cli, dir.Path("in"), name));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, replaceall(out, "<in>", dir.Path("in")));
  }
  EXPECT_EQ(ReadText(dir.Path("old")), "keep");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in", "old"}));
}
