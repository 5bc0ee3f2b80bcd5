#include "sim/session/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#ifdef _WIN32
#include "platform/Win32.h"
#else
#include <sys/stat.h>
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

// Whether `path` names a file through one of this process's descriptors
// (/dev/stdout, /dev/fd/N, /proc/self/fd/N): such a name is the descriptor's
// own, and renaming a file over it would replace whatever the descriptor
// reaches instead.
bool NamesADescriptor(const std::string& path) {
  std::error_code error;
  fs::path named = fs::absolute(path, error).lexically_normal();
  if (error) return false;
  for (int links = 0; links < 40; ++links) {
    const std::string text = named.generic_string();
    if (text.rfind("/proc/", 0) == 0 || text.rfind("/dev/fd/", 0) == 0) return true;
    if (!fs::is_symlink(named, error)) return false;
    const fs::path link = fs::read_symlink(named, error);
    if (error) return false;
    named = (named.parent_path() / link).lexically_normal();
  }
  return false;
}

#ifndef _WIN32
// Whether `path` is the file descriptor `fd` is open on.
bool IsDescriptor(const std::string& path, int fd) {
  struct stat named {};
  struct stat open {};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
         named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}
#endif

// "-" compared as the file standard output goes to.
std::string Comparable(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  return path == "-" ? "/dev/stdout" : path;
#endif
}

std::string Describe(const NamedFile& file) {
  return file.option + " " + file.path;
}

}  // namespace

OutputKind KindOfOutput(const std::string& path) {
  if (path == "-") return OutputKind::kStandardOutput;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) return OutputKind::kReplaced;
#ifndef _WIN32
  // Written through the stream already open on it, so what was printed
  // there stays and the two keep their order.
  if (IsDescriptor(path, STDOUT_FILENO)) return OutputKind::kStandardOutput;
  if (IsDescriptor(path, STDERR_FILENO)) return OutputKind::kStandardError;
#endif
  if (!fs::is_regular_file(status) && !fs::is_directory(status)) return OutputKind::kInPlace;
  return NamesADescriptor(path) ? OutputKind::kInPlace : OutputKind::kReplaced;
}

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Open(const std::string& path) {
  named_ = path;
  kind_ = KindOfOutput(path);
  if (kind_ == OutputKind::kStandardOutput || kind_ == OutputKind::kStandardError) {
    stream_ = kind_ == OutputKind::kStandardOutput ? &std::cout : &std::cerr;
    return true;
  }
  target_ = Destination(path).string();
  std::error_code error;
  if (fs::is_directory(target_, error)) {
    std::cerr << "tarnwick-sim: " << path << ": is a folder, not a file to write\n";
    return false;
  }
  std::string opened = path;
  if (kind_ == OutputKind::kReplaced) {
    // Named by the process and the output, so no two writers share one.
    static unsigned outputsOpened = 0;
    const fs::path target(target_);
    temporary_ = (target.parent_path() /
                  ("." + target.filename().string() + ".tmp" + std::to_string(ProcessId()) + "-" +
                   std::to_string(++outputsOpened)))
                     .string();
    opened = temporary_;
  }
  errno = 0;
  out_.open(opened, std::ios::binary | std::ios::trunc);
  if (!out_) {
    std::cerr << "tarnwick-sim: " << path << ": cannot be written: " << std::strerror(errno)
              << "\n";
    temporary_.clear();
    return false;
  }
  stream_ = &out_;
  errno = 0;
  return true;
}

bool OutputFile::Commit() {
  if (stream_ == nullptr) return false;
  stream_->flush();
  const bool written = static_cast<bool>(*stream_);
  const int writeError = errno;
  std::error_code error;
  if (stream_ == &out_) out_.close();
  stream_ = nullptr;
  if (written && kind_ == OutputKind::kReplaced) fs::rename(temporary_, target_, error);
  if (!written || error) {
    std::string why = error ? error.message() : std::string();
    if (!written && writeError != 0) why = std::strerror(writeError);
    std::cerr << "tarnwick-sim: " << (kind_ == OutputKind::kReplaced ? target_ : named_)
              << ": cannot be written" << (why.empty() ? std::string() : ": " + why) << "\n";
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void OutputFile::Discard() {
  if (out_.is_open()) out_.close();
  stream_ = nullptr;
  if (!temporary_.empty()) {
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    temporary_.clear();
  }
}

std::optional<std::string> OutputClash(const std::vector<NamedFile>& inputs,
                                       const std::vector<NamedFile>& outputs) {
  std::vector<OutputKind> kinds;
  kinds.reserve(outputs.size());
  for (const NamedFile& output : outputs) kinds.push_back(KindOfOutput(output.path));
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    // Devices and pipes are written in place and replace nothing; standard
    // output sent to a file still must not write over an input.
    const std::string output = Comparable(outputs[i].path);
    if (kinds[i] != OutputKind::kReplaced && !fs::is_regular_file(output)) continue;
    for (const NamedFile& input : inputs) {
      if (SameFile(output, input.path)) {
        return Describe(outputs[i]) + " is the same file as " + Describe(input) +
               ", which it would overwrite";
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      const bool replaces = kinds[i] == OutputKind::kReplaced || kinds[j] == OutputKind::kReplaced;
      if (replaces && SameFile(output, Comparable(outputs[j].path))) {
        return Describe(outputs[i]) + " and " + Describe(outputs[j]) +
               " are the same file; give each output a file of its own";
      }
    }
  }
  return std::nullopt;
}

bool OutputsOwnFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs) {
  std::vector<NamedFile> given;
  for (const NamedFile& file : outputs) {
    if (!file.path.empty()) given.push_back(file);
  }
  const std::optional<std::string> clash = OutputClash(inputs, given);
  if (clash) std::cerr << "tarnwick-sim: " << *clash << "\n";
  return !clash;
}

}  // namespace tarnwick::sim
