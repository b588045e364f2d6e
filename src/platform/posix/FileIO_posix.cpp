#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "support/Exceptions.h"
#include "support/FileIO.h"

namespace tw {
namespace {

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

bool FileExists(const std::string& fileName) {
  struct stat st {};
  return ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadWholeFile(const std::string& fileName) {
  Fd f{::open(fileName.c_str(), O_RDONLY)};
  if (f.fd < 0)
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0) throw EInOutError("Cannot read file \"" + fileName + "\". " + std::strerror(errno));
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

namespace {

void WriteTempFile(const std::string& temp, std::string_view data) {
  Fd f{::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)};
  if (f.fd < 0)
    throw EFCreateError("Cannot create file \"" + temp + "\". " + std::strerror(errno));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(f.fd, data.data() + done, data.size() - done);
    if (n < 0) {
      int err = errno;
      ::unlink(temp.c_str());
      throw EInOutError("Cannot write file \"" + temp + "\". " + std::strerror(err));
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(f.fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throw EInOutError("Cannot write file \"" + temp + "\". " + std::strerror(err));
  }
}

}  // namespace

void WriteFileAtomic(const std::string& fileName, std::string_view data) {
  const std::string temp = fileName + ".tmp~";
  WriteTempFile(temp, data);
  CommitTempFile(temp, fileName);
}

bool WriteNewFileAtomic(const std::string& fileName, std::string_view data) {
  static std::atomic<unsigned> counter{0};
  const std::string temp = fileName + "." + std::to_string(::getpid()) + "-" +
                           std::to_string(++counter) + ".tmp~";
  WriteTempFile(temp, data);
  // A hard link is made only where no file of that name exists.
  const int rc = ::link(temp.c_str(), fileName.c_str());
  const int err = errno;
  ::unlink(temp.c_str());
  if (rc == 0) return true;
  if (err == EEXIST) return false;
  throw EInOutError("Cannot create file \"" + fileName + "\". " + std::strerror(err));
}

void CommitTempFile(const std::string& temp, const std::string& fileName) {
  if (::rename(temp.c_str(), fileName.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throw EInOutError("Cannot replace file \"" + fileName + "\". " + std::strerror(err));
  }
}

}  // namespace tw
