#include "sim/scene/InputFile.h"

#include <cerrno>
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
  char chunk[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, got);
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
