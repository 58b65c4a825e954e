#include "TestKit.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return {-1, ""};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipefd[0]);
  posix_spawn_file_actions_addclose(&actions, pipefd[1]);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipefd[1]);
  RunResult result{-1, ""};
  char block[4096];
  ssize_t got;
  while ((got = read(pipefd[0], block, sizeof block)) > 0) result.out.append(block, got);
  close(pipefd[0]);
  if (spawned != 0) return result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
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
