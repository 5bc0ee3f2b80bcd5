#include "sim/program/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#ifdef _WIN32
#include "platform/Win32.h"
#else
#include <unistd.h>
#endif

namespace tarnwick::sim {

namespace fs = std::filesystem;

namespace {

unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// The file a write to `path` lands in: a link's target, so the link stays.
fs::path Destination(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  if (error) return fs::path(path).lexically_normal();
  const fs::path resolved = fs::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal() : resolved;
}

// Whether two named paths are one file: the same device and file number when
// both exist, the same place after links are followed otherwise.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) {
    return fs::equivalent(a, b, error) && !error;
  }
  return Destination(a) == Destination(b);
}

std::string Describe(const NamedFile& file) {
  return file.option + " " + file.path;
}

}  // namespace

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Open(const std::string& path) {
  target_ = Destination(path).string();
  std::error_code error;
  if (fs::is_directory(target_, error)) {
    std::cerr << "tarnwick-sim: " << path << ": is a folder, not a file to write\n";
    return false;
  }
  // Named by the process and the output, so no two writers share one.
  static unsigned outputsOpened = 0;
  const fs::path target(target_);
  temporary_ =
      (target.parent_path() / ("." + target.filename().string() + ".tmp" +
                               std::to_string(ProcessId()) + "-" + std::to_string(++outputsOpened)))
          .string();
  errno = 0;
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_) {
    std::cerr << "tarnwick-sim: " << path << ": cannot be written: " << std::strerror(errno)
              << "\n";
    temporary_.clear();
    return false;
  }
  return true;
}

bool OutputFile::Commit() {
  out_.flush();
  const bool written = static_cast<bool>(out_);
  out_.close();
  std::error_code error;
  if (written) fs::rename(temporary_, target_, error);
  if (!written || error) {
    std::cerr << "tarnwick-sim: " << target_ << ": cannot be written"
              << (error ? ": " + error.message() : std::string()) << "\n";
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void OutputFile::Discard() {
  if (out_.is_open()) out_.close();
  if (!temporary_.empty()) {
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    temporary_.clear();
  }
}

std::optional<std::string> OutputClash(const std::vector<NamedFile>& inputs,
                                       const std::vector<NamedFile>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (const NamedFile& input : inputs) {
      if (SameFile(outputs[i].path, input.path)) {
        return Describe(outputs[i]) + " is the same file as " + Describe(input) +
               ", which it would overwrite";
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (SameFile(outputs[i].path, outputs[j].path)) {
        return Describe(outputs[i]) + " and " + Describe(outputs[j]) +
               " are the same file; give each output a file of its own";
      }
    }
  }
  return std::nullopt;
}

}  // namespace tarnwick::sim
