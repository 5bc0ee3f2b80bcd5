#include "sim/scene/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tarnwick::sim {

namespace fs = std::filesystem;

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
  constexpr std::size_t kSpare = 64;
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
