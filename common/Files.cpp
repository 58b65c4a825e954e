#include "Files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace {

constexpr size_t kBlock = 1 << 16;
// The bytes written to a temporary file after which they are sent on to the disk.
constexpr size_t kStartAfter = 1 << 20;

// The temporary file being written, for the signal handler: a program writes one at a time.
char unfinished[PATH_MAX + 1];

void RemoveUnfinished(int sig) {
  if (unfinished[0] != '\0') unlink(unfinished);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Remembers the temporary file name and has interrupting signals remove it.
void Guard(const std::string& name) {
  if (name.size() > PATH_MAX) return;
  std::memcpy(unfinished, name.c_str(), name.size() + 1);
  for (int sig : {SIGHUP, SIGINT, SIGTERM, SIGPIPE}) std::signal(sig, RemoveUnfinished);
}

void Unguard() { unfinished[0] = '\0'; }

// Reads up to n bytes, retrying after an interrupted call; -1 on failure.
ssize_t ReadSome(int fd, char* data, size_t n) {
  ssize_t got;
  do got = read(fd, data, n);
  while (got < 0 && errno == EINTR);
  return got;
}

// The bytes of w equal to c, each marked by its top bit. Only the lowest mark is sure (a borrow
// can mark a byte above it), and only the lowest is used.
uint64_t Matches(uint64_t w, uint8_t c) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  uint64_t x = w ^ (kOnes * c);  // a byte equal to c is now 0
  return (x - kOnes) & ~x & (kOnes << 7);
}

// The offset of the first LF, CR or 1A byte in data[0..n), or n; looked for 8 bytes at a time,
// the first byte in memory the lowest of a little-endian word.
size_t FindLineEnd(const char* data, size_t n) {
  size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (uint64_t w; i + 8 <= n; i += 8) {
      std::memcpy(&w, data + i, 8);
      uint64_t m = Matches(w, '\n') | Matches(w, '\r') | Matches(w, 0x1A);
      if (m != 0) return i + static_cast<size_t>(std::countr_zero(m)) / 8;
    }
  }
  while (i < n && data[i] != '\n' && data[i] != '\r' && data[i] != '\x1A') i++;
  return i;
}

// name with the symbolic links it is followed through, so that the file a link names is
// replaced and the link stays; a link to nothing gives the name it points to.
std::string FollowLinks(std::string name) {
  for (int hop = 0; hop < 40; hop++) {
    struct stat info;
    char to[PATH_MAX];
    if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    ssize_t n = readlink(name.c_str(), to, sizeof to);
    if (n <= 0 || n == sizeof to) break;
    std::string link(to, static_cast<size_t>(n));
    size_t slash = name.rfind('/');
    name = link[0] == '/' || slash == std::string::npos ? link : name.substr(0, slash + 1) + link;
  }
  return name;
}

// The first bytes of the file name, up to n; false when it cannot be read.
bool ReadStart(const std::string& name, size_t n, std::string& start) {
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  start.assign(n, '\0');
  size_t have = 0;
  ssize_t got = 1;
  while (have < n && (got = ReadSome(fd, start.data() + have, n - have)) > 0) {
    have += static_cast<size_t>(got);
  }
  close(fd);
  start.resize(have);
  return got >= 0;
}

const char* FormatName(Format format) {
  return format == Format::Midi  ? "a MIDI"
         : format == Format::Mev ? "a MEV"
         : format == Format::Svg ? "an SVG"
                                 : "a timed lyrics";
}

}  // namespace

bool fileexists(const std::string& name) {
  if (name == kStandard) return true;
  struct stat info;
  return stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void askhugepages(bytes& data) { askhugepages(data.data(), data.capacity()); }

void askhugepages(const void* data, size_t size) {
  constexpr uintptr_t kHuge = uintptr_t{1} << 21;
  uintptr_t first = reinterpret_cast<uintptr_t>(data);
  uintptr_t from = (first + kHuge - 1) & ~(kHuge - 1);
  uintptr_t to = (first + size) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

bool readfile(const std::string& name, bytes& data) {
  data.clear();
  int fd = name == kStandard ? 0 : open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) == 0 && info.st_size > 0 && info.st_size < INT32_MAX) {
    data.reserve(static_cast<size_t>(info.st_size));
    askhugepages(data);
  }
  bool ok = true;
  char block[kBlock];
  while (true) {
    ssize_t got = ReadSome(fd, block, sizeof block);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (data.size() + static_cast<size_t>(got) >= INT32_MAX) {
      ok = false;  // positions in an image are signed 32-bit
      break;
    }
    data.insert(data.end(), block, block + got);
  }
  if (fd != 0) close(fd);
  if (!ok) data.clear();
  return ok;
}

bool ismevheader(const std::string& line) {
  if (line.empty() || line[0] != 'F') return false;
  int numbers = 0;
  bool quoted = false;
  bool remark = false;
  bool hex = false;       // a $ began the number or stands just before
  bool inNumber = false;  // the character before was a digit of a number
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (c == '(') remark = true;
    if (c == ')') remark = false;
    bool digit = !quoted && !remark && ((c >= '0' && c <= '9') || (hex && ishex(c)));
    if (digit && !inNumber) numbers++;
    inNumber = digit;
    hex = c == '$' || (hex && digit);
  }
  return numbers == 2;
}

textreader::~textreader() {
  if (fd >= 0) close(fd);
}

bool textreader::Open(const std::string& name) {
  if (name == kStandard) {
    // a pipe cannot be read twice: the whole text is kept in memory
    bytes data;
    bool ok = readfile(name, data);
    OpenText(std::string(data.begin(), data.end()));
    return ok;
  }
  if (fd >= 0) close(fd);
  fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  inMemory = false;
  buffer.resize(kBlock);
  begin = end = 0;
  atStart = true;
  ended = fd < 0;
  failed = fd < 0;
  return fd >= 0;
}

void textreader::OpenText(const std::string& text) {
  if (fd >= 0) close(fd);
  fd = -1;
  inMemory = true;
  buffer.assign(text.begin(), text.end());
  Rewind();
}

size_t textreader::Size() const {
  struct stat info;
  if (inMemory) return buffer.size();
  return fd >= 0 && fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<size_t>(info.st_size)
                                                              : 0;
}

bool textreader::Rewind() {
  begin = 0;
  atStart = true;
  end = inMemory ? buffer.size() : 0;
  ended = inMemory;
  failed = !inMemory && (fd < 0 || lseek(fd, 0, SEEK_SET) != 0);
  ended = ended || failed;
  return !failed;
}

bool textreader::Fill() {
  if (ended) return false;
  ssize_t got = ReadSome(fd, buffer.data(), buffer.size());
  if (got <= 0) {
    ended = true;
    failed = got < 0;
    return false;
  }
  begin = 0;
  end = static_cast<size_t>(got);
  return true;
}

bool textreader::ReadLine(std::string& line) {
  bool first = atStart;
  atStart = false;
  if (!ReadRaw(line)) return false;
  // a byte-order mark that an editor saved at the start of the text is no part of its first line
  if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  return true;
}

bool textreader::ReadRaw(std::string& line) {
  line.clear();
  bool any = false;  // a byte of this line has been taken, so the line exists
  while (begin < end || Fill()) {
    size_t stop = FindLineEnd(buffer.data() + begin, end - begin) + begin;
    line.append(buffer.data() + begin, stop - begin);
    any = any || stop > begin;
    begin = stop;
    if (begin == end) continue;
    char c = buffer[begin++];
    if (c == 0x1A) {  // Ctrl-Z ends the file, whatever follows it
      ended = true;
      begin = end;
      return any;
    }
    any = true;
    if (c == '\n') return true;
    // a CR is dropped: before LF it is part of the line end, alone it is a stray byte
    if (begin < end && buffer[begin] == '\n') {
      begin++;
      return true;
    }
  }
  return any;
}

outputfile::~outputfile() { Discard(); }

bool outputfile::Open(const std::string& output, Format kind, bool quiet) {
  Discard();
  name = output;
  format = kind;
  failed = false;
  written = started = 0;
  buffer.clear();
  buffer.reserve(kBlock);
  struct stat info;
  bool exists = stat(name.c_str(), &info) == 0;
  direct = name == kStandard || (exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode));
  if (direct) {
    fd = name == kStandard ? 1 : open(name.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 && !quiet) saycannotwrite(name);
    return fd >= 0;
  }
  target = FollowLinks(name);
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  temporary = folder + "." + base + ".XXXXXX";
  fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    temporary.clear();
    if (!quiet) saycannotwrite(name);
    return false;
  }
  Guard(temporary);
  // the new file gets the old one's permissions, or those of any newly created file
  mode_t mode;
  if (exists) {
    mode = info.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  return true;
}

void outputfile::Write(const char* data, size_t n) {
  if (direct) {  // nothing goes out before Commit
    buffer.insert(buffer.end(), data, data + n);
    return;
  }
  if (buffer.size() + n > kBlock) Flush();
  if (n >= kBlock)
    WriteAll(data, n);
  else
    buffer.insert(buffer.end(), data, data + n);
}

void outputfile::WriteLine(const std::string& line) {
  if (buffer.size() + line.size() + 2 <= kBlock) {  // the common case: one append
    buffer.insert(buffer.end(), line.begin(), line.end());
    buffer.insert(buffer.end(), {'\r', '\n'});
    return;
  }
  Write(line.data(), line.size());
  Write("\r\n", 2);
}

void outputfile::Patch(size_t offset, const char* data, size_t n) {
  if (direct) {  // nothing has gone out yet: the buffer holds the whole output
    if (offset + n <= buffer.size())
      std::copy(data, data + n, buffer.begin() + static_cast<ptrdiff_t>(offset));
    else
      failed = true;
    return;
  }
  // a temporary file, which can be written anywhere
  Flush();
  if (!failed && pwrite(fd, data, n, static_cast<off_t>(offset)) != static_cast<ssize_t>(n)) {
    failed = true;
  }
}

bool outputfile::Flush() {
  WriteAll(buffer.data(), buffer.size());
  buffer.clear();
  return !failed;
}

void outputfile::WriteAll(const char* data, size_t n) {
  size_t done = 0;
  while (!failed && done < n) {
    ssize_t put = write(fd, data + done, n - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0)
      failed = true;
    else
      done += static_cast<size_t>(put);
  }
  written += done;
  // a temporary file starts going to the disk while the rest is still being made, so that the
  // fsync of Commit has less left to wait for
  if (!direct && written - started >= kStartAfter) {
    sync_file_range(fd, static_cast<off_t>(started), static_cast<off_t>(written - started),
                    SYNC_FILE_RANGE_WRITE);
    started = written;
  }
}

bool outputfile::Commit() {
  if (fd < 0) return false;
  if (direct) {
    bool ok = Flush();
    if (name != kStandard) ok = close(fd) == 0 && ok;
    fd = -1;
    if (!ok) saycannotwrite(name);
    return ok;
  }
  bool ok = Flush() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  fd = -1;
  if (ok && !Replaceable()) {
    say(name + " exists and is not " + FormatName(format) + " file: not replaced");
    Discard();
    return false;
  }
  ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
  if (ok) {
    temporary.clear();
    Unguard();
  } else {
    saycannotwrite(name);
  }
  Discard();
  return ok;
}

bool outputfile::Replaceable() const {
  struct stat info;
  if (format == Format::Any || stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return true;
  }
  std::string start;
  if (!ReadStart(target, kBlock, start)) return false;  // what cannot be read cannot be judged
  if (start.empty()) return true;
  if (format == Format::Midi) return start.starts_with("MThd");
  if (format == Format::Lyrics) return start[0] == '[' || (start[0] >= '0' && start[0] <= '9');
  if (format == Format::Svg) return start[0] == '<';
  return ismevheader(start.substr(0, FindLineEnd(start.data(), start.size())));
}

void outputfile::Discard() {
  if (fd >= 0 && !(direct && name == kStandard)) close(fd);  // standard output stays open
  fd = -1;
  if (!temporary.empty()) unlink(temporary.c_str());
  temporary.clear();
  Unguard();
}

bool savefile(const std::string& name, const bytes& data, Format format) {
  outputfile out;
  if (!out.Open(name, format)) return false;
  out.Write(reinterpret_cast<const char*>(data.data()), data.size());
  return out.Commit();
}

bool checkarguments(const lijst& args, size_t count, const std::string& name, void (*showUsage)(),
                    int& status, size_t optional) {
  status = 0;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    showUsage();
    return false;
  }
  if (args.size() == 1 && args[0] == "--version") {
    say(name + " (" SUITE_NAME ") " SUITE_VERSION);
    return false;
  }
  status = 2;
  // an option the program does not know (those it knows are taken off before)
  for (const std::string& arg : args) {
    if (arg.size() > 2 && arg.starts_with("--")) {
      say("Unknown option " + arg);
      showUsage();
      return false;
    }
  }
  if (args.size() < count || args.size() > count + optional) {
    showUsage();
    return false;
  }
  saytoerror(args[1] == kStandard);
  status = 1;
  return true;
}

bool checkinput(const std::string& name, const std::string& missing) {
  if (fileexists(name)) return true;
  struct stat info;
  bool folder = stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  say(folder ? name + " is a folder" : name + missing);
  return false;
}

bool checktrack(const std::string& arg, int32_t tracks, int32_t& track) {
  if (str2range(arg, 1, tracks, track)) {
    track--;
    return true;
  }
  say("Track " + arg + " out of [1," + std::to_string(tracks) + "] range");
  return false;
}

bool takeoption(lijst& args, std::initializer_list<std::string_view> flags,
                std::initializer_list<std::string_view> valued, std::string& option,
                std::string& value, bool& ok) {
  if (args.empty()) return false;
  auto in = [&](std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), args[0]) != names.end();
  };
  bool withValue = in(valued);
  if (!withValue && !in(flags)) return false;
  option = args[0];
  args.erase(args.begin());
  if (!withValue) return true;
  if (args.empty()) {
    say(option + " needs a value");
    ok = false;
    return false;
  }
  value = args[0];
  args.erase(args.begin());
  return true;
}

bool checkchannel(const std::string& arg, int32_t& channel) {
  if (str2range(arg, 0, 15, channel)) return true;
  say("Channel " + arg + " out of [0,15] range");
  return false;
}

void saycannotread(const std::string& name) { say(name + ": cannot be read"); }

void saycannotwrite(const std::string& name) { say(name + ": cannot be written"); }
