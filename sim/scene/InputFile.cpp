#include "sim/scene/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnwick::sim {

namespace fs = std::filesystem;

namespace {

// What a reader may need past a text's end (the Lottie reader's 64 bytes).
constexpr std::size_t kSpare = 64;

}  // namespace

std::string ReadInputFile(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) throw InputError(path + ": does not exist");
  if (status.type() == fs::file_type::directory) {
    throw InputError(path + ": is a folder, not a file");
  }
  errno = 0;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (file == nullptr) throw InputError(path + ": cannot be read: " + std::strerror(errno));
  std::string text;
  // Room for the whole file at once, and 64 bytes past it, which lets a
  // parser that reads ahead (the Lottie reader's) work in place.
  const std::uintmax_t size = fs::is_regular_file(status) ? fs::file_size(path, error) : 0;
  if (!error && size > 0 && size < text.max_size() - kSpare) {
    text.reserve(static_cast<std::size_t>(size) + kSpare);
  }
  // Read straight into the text: one byte more than the size promised, so
  // the end is seen without growing; a chunk more whenever it fills (a file
  // that grows while it is read, a pipe).
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  text.resize(text.capacity() > kSpare ? text.capacity() - kSpare + 1 : kChunk);
  std::size_t used = 0;
  for (;;) {
    if (used == text.size()) text.resize(text.size() + std::max(kChunk, text.size()));
    const std::size_t got = std::fread(text.data() + used, 1, text.size() - used, file.get());
    used += got;
    if (got == 0 || std::feof(file.get()) || std::ferror(file.get())) break;
  }
  text.resize(used);
  if (std::ferror(file.get())) {
    throw InputError(path + ": cannot be read: " + std::strerror(errno));
  }
  return text;
}

InputText::InputText(const std::string& path) {
#ifndef _WIN32
  // Mapped, the file's pages are the system's cache itself: nothing copied,
  // nothing cleared. Any doubt, and it is read as any input is.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    const auto size = static_cast<std::size_t>(status.st_size);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t length = (size + page - 1) / page * page;
    if (length - size >= kSpare) {
      void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
      if (mapped != MAP_FAILED) {
        mapped_ = mapped;
        mappedLength_ = length;
        text_ = std::string_view(static_cast<const char*>(mapped), size);
        readable_ = length;
      }
    }
  }
  if (fd >= 0) ::close(fd);
  if (mapped_ != nullptr) return;
#endif
  read_ = ReadInputFile(path);
  text_ = read_;
  readable_ = read_.capacity();
}

InputText::~InputText() {
#ifndef _WIN32
  if (mapped_ != nullptr) ::munmap(mapped_, mappedLength_);
#endif
}

std::string FolderProblem(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return path + ": does not exist";
  if (status.type() != fs::file_type::directory) return path + ": is not a folder";
  fs::directory_iterator listing(path, error);
  if (error) return path + ": cannot be read: " + error.message();
  return {};
}

}  // namespace tarnwick::sim
