#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace {

constexpr size_t kBlock = 1 << 16;

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

// The offset of the first LF, CR or 1A byte in data[0..n), or n; LF is searched first, since CR
// and 1A can only stand before it.
size_t FindLineEnd(const char* data, size_t n) {
  const void* lf = std::memchr(data, '\n', n);
  size_t stop = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) : n;
  for (char c : {'\r', '\x1A'}) {
    const void* found = std::memchr(data, c, stop);
    if (found) stop = static_cast<size_t>(static_cast<const char*>(found) - data);
  }
  return stop;
}

}  // namespace

bool fileexists(const std::string& name) {
  struct stat info;
  return stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool readfile(const std::string& name, bytes& data) {
  data.clear();
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) == 0 && info.st_size > 0 && info.st_size < INT32_MAX) {
    data.reserve(static_cast<size_t>(info.st_size));
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
  close(fd);
  if (!ok) data.clear();
  return ok;
}

textreader::~textreader() {
  if (fd >= 0) close(fd);
}

bool textreader::Open(const std::string& name) {
  if (fd >= 0) close(fd);
  fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  inMemory = false;
  buffer.resize(kBlock);
  begin = end = 0;
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

bool textreader::Rewind() {
  begin = 0;
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
  }
  return any;
}

outputfile::~outputfile() { Discard(); }

bool outputfile::Open(const std::string& name) {
  Discard();
  target = name;
  size_t slash = name.rfind('/');
  std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  temporary = folder + "." + base + ".XXXXXX";
  fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    temporary.clear();
    return false;
  }
  Guard(temporary);
  // the new file gets the old one's permissions, or those of any newly created file
  struct stat info;
  mode_t mode;
  if (stat(name.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  failed = false;
  buffer.clear();
  buffer.reserve(kBlock);
  return true;
}

void outputfile::Write(const char* data, size_t n) {
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
}

bool outputfile::Commit() {
  if (fd < 0) return false;
  bool ok = Flush() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  fd = -1;
  ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
  if (ok) {
    temporary.clear();
    Unguard();
  }
  Discard();
  return ok;
}

void outputfile::Discard() {
  if (fd >= 0) close(fd);
  fd = -1;
  if (!temporary.empty()) unlink(temporary.c_str());
  temporary.clear();
  Unguard();
}

bool savefile(const std::string& name, const bytes& data) {
  outputfile out;
  if (!out.Open(name)) return false;
  out.Write(reinterpret_cast<const char*>(data.data()), data.size());
  return out.Commit();
}

bool checkcount(const lijst& args, size_t count, void (*showUsage)()) {
  if (args.size() == count) return true;
  showUsage();
  return false;
}

bool checkinput(const std::string& name, const std::string& missing) {
  if (fileexists(name)) return true;
  say(name + missing);
  return false;
}

void saycannotread(const std::string& name) { say(name + ": cannot be read"); }

void saycannotwrite(const std::string& name) { say(name + ": cannot be written"); }
