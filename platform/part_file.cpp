#include "platform/part_file.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2, RENAME_NOREPLACE
#include <string.h>  // strerrordesc_np
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/numbered_name.h"

namespace sfx {
namespace {

// New files get the usual 0666 less the umask, as any program's new file.
constexpr mode_t kNewFileMode = 0666;
// Random names collide only if the folder is full of our leftovers; give up
// rather than loop when something refuses every name.
constexpr int kMaxTempNameAttempts = 100;
// A folder holding this many copies of one name is not worth searching on.
constexpr int kMaxNumberedNames = 10000;
// Short and hidden, whatever the length of the target's name (NAME_MAX).
constexpr char kTempPrefix[] = ".sfx-";
constexpr char kTempSuffix[] = ".part";
constexpr int kTempRandomChars = 6;

// The English text of an errno value: never translated, always ASCII.
std::string reason(int error) {
  const char* text = strerrordesc_np(error);
  return text != nullptr ? text : "error " + std::to_string(error);
}

FileResult failure(FileError error, const char* what, const std::string& path, int sysError) {
  return {error, std::string(what) + " " + path + ": " + reason(sysError)};
}

std::string randomTempName() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string name = kTempPrefix;
  for (int i = 0; i < kTempRandomChars; ++i) name += kAlphabet[pick(generator)];
  return name + kTempSuffix;
}

// What renameat2 answers on a file system that does not take its flags.
bool noReplaceUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }
// What link answers on a file system without hard links.
bool linkUnsupported(int error) { return error == EPERM || error == ENOSYS || error == EOPNOTSUPP; }

// How a name is taken without replacing a file that has it; the first that
// the file system supports wins.
enum class ClaimMethod {
  RenameNoReplace,  // renameat2: atomic, most local file systems
  Link,             // link + unlink: atomic, file systems without renameat2 flags
  Placeholder,      // create the name exclusively, then rename over our own empty file
};

// 0 when `from` now has the name `to`; EEXIST when `to` is taken; else errno.
int claim(int folderFd, const std::string& from, const std::string& to, ClaimMethod& method) {
  if (method == ClaimMethod::RenameNoReplace) {
    if (renameat2(folderFd, from.c_str(), folderFd, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (!noReplaceUnsupported(errno)) return errno;
    method = ClaimMethod::Link;
  }
  if (method == ClaimMethod::Link) {
    if (linkat(folderFd, from.c_str(), folderFd, to.c_str(), 0) == 0) {
      unlinkat(folderFd, from.c_str(), 0);
      return 0;
    }
    if (!linkUnsupported(errno)) return errno;
    method = ClaimMethod::Placeholder;
  }
  const int placeholder = openat(folderFd, to.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, kNewFileMode);
  if (placeholder < 0) return errno;
  close(placeholder);
  if (renameat(folderFd, from.c_str(), folderFd, to.c_str()) == 0) return 0;
  const int error = errno;
  unlinkat(folderFd, to.c_str(), 0);
  return error;
}

}  // namespace

const char* toString(FileError error) {
  switch (error) {
    case FileError::Ok:
      return "ok";
    case FileError::BadTarget:
      return "the target path names no file";
    case FileError::Create:
      return "the file cannot be created";
    case FileError::Resize:
      return "the file cannot be given its length";
    case FileError::Write:
      return "the file cannot be written";
    case FileError::Close:
      return "the file cannot be closed";
    case FileError::Claim:
      return "the file cannot be given a free name";
  }
  return "unknown file error";
}

PartFile::~PartFile() { discard(); }

FileResult PartFile::create(const std::string& targetPath) {
  const std::size_t slash = targetPath.rfind('/');
  folder_ = slash == std::string::npos ? std::string{} : targetPath.substr(0, slash + 1);
  targetName_ = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
  if (targetName_.empty() || targetName_ == "." || targetName_ == "..") {
    return {FileError::BadTarget, "no file name in the target path " + targetPath};
  }

  const std::string folderToOpen = folder_.empty() ? "." : folder_;
  folderFd_ = open(folderToOpen.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folderFd_ < 0) return failure(FileError::Create, "cannot open the folder", folderToOpen, errno);

  for (int attempt = 0; attempt < kMaxTempNameAttempts; ++attempt) {
    std::string name = randomTempName();
    fd_ = openat(folderFd_, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, kNewFileMode);
    if (fd_ >= 0) {
      tempName_ = std::move(name);
      path_ = folder_ + tempName_;
      return {};
    }
    if (errno != EEXIST) return failure(FileError::Create, "cannot create a file in", folderToOpen, errno);
  }
  return failure(FileError::Create, "cannot create a file in", folderToOpen, EEXIST);
}

FileResult PartFile::resize(std::int64_t length) {
  if (ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    return failure(FileError::Resize, "cannot give its length to", path_, errno);
  }
  return {};
}

FileResult PartFile::append(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = pwrite(fd_, data, size, static_cast<off_t>(written_));
    if (n < 0) {
      if (errno == EINTR) continue;
      return failure(FileError::Write, "cannot write", path_, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    written_ += n;
  }
  return {};
}

FileResult PartFile::commit() {
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return failure(FileError::Close, "cannot close", path_, errno);
  return claimName();
}

FileResult PartFile::claimName() {
  ClaimMethod method = ClaimMethod::RenameNoReplace;
  for (int n = 0; n < kMaxNumberedNames; ++n) {
    const std::string candidate = numberedName(targetName_, n);
    const int error = claim(folderFd_, tempName_, candidate, method);
    if (error == 0) {
      committed_ = true;
      path_ = folder_ + candidate;
      close(folderFd_);
      folderFd_ = -1;
      return {};
    }
    if (error != EEXIST) return failure(FileError::Claim, "cannot save as", folder_ + candidate, error);
  }
  return failure(FileError::Claim, "no free name for", folder_ + targetName_, EEXIST);
}

void PartFile::discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (folderFd_ >= 0) {
    if (!committed_ && !tempName_.empty()) unlinkat(folderFd_, tempName_.c_str(), 0);
    close(folderFd_);
    folderFd_ = -1;
  }
}

}  // namespace sfx
