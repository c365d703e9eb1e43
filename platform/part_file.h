// A download's file while it is written: a new hidden file beside the
// target, which takes the target's name (or the first free numbered name)
// only once the transfer has completed, and is removed otherwise. So a
// failed or stopped transfer never leaves a file under the target's name and
// an existing file is never overwritten. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sfx {

enum class FileError {
  Ok = 0,
  BadTarget,  // the target path names no file
  Create,     // the folder cannot be opened or the file cannot be made in it
  Resize,     // the full length cannot be given (file-size limit)
  Write,      // disk full, file-size limit, I/O error
  Close,      // a delayed write error reported when the file is closed
  Claim,      // the file could not be given a free name
};

[[nodiscard]] const char* toString(FileError error);

struct FileResult {
  FileError error = FileError::Ok;
  std::string detail;  // for people: what failed, on which path, and the system's reason
};

class PartFile {
 public:
  PartFile() = default;
  ~PartFile();  // removes the file unless it was committed
  // Owns a descriptor and a file on disk that only it may remove.
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  // Makes the temporary file in the folder of `targetPath`.
  [[nodiscard]] FileResult create(const std::string& targetPath);
  // Gives the file its full length before the data arrives.
  [[nodiscard]] FileResult resize(std::int64_t length);
  // Writes the next `size` bytes into place.
  [[nodiscard]] FileResult append(const char* data, std::size_t size);
  // Closes the file and gives it the target's name or the first free
  // numbered one; path() then names the final file.
  [[nodiscard]] FileResult commit();
  // Closes and removes the file.
  void discard();

  // The temporary file until commit() succeeds, the final file after.
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  [[nodiscard]] FileResult claimName();

  int folderFd_ = -1;
  int fd_ = -1;
  std::string folder_;      // with a trailing "/" unless empty
  std::string targetName_;  // the wanted file-name component
  std::string tempName_;
  std::string path_;
  std::int64_t written_ = 0;
  bool committed_ = false;
};

}  // namespace sfx
