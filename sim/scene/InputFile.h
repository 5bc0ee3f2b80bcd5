// Reads a file the user named as a whole: one line naming the file and what
// is wrong when it is missing, a folder or cannot be read.
#ifndef TARNWICK_SIM_SCENE_INPUT_FILE_H
#define TARNWICK_SIM_SCENE_INPUT_FILE_H

#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnwick::sim {

struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The file's bytes; throws InputError ("PATH: does not exist", "PATH: is a
// folder, not a file", "PATH: cannot be read: WHY").
std::string ReadInputFile(const std::string& path);

// A file's bytes, mapped into memory where the system allows it (a regular
// file whose last page leaves room past its end), read whole otherwise.
// Refuses what ReadInputFile refuses, alike.
class InputText {
 public:
  explicit InputText(const std::string& path);
  ~InputText();
  InputText(const InputText&) = delete;
  InputText& operator=(const InputText&) = delete;

  std::string_view text() const { return text_; }
  // Bytes that may be read from text().data(), at least text().size().
  std::size_t readable() const { return readable_; }

 private:
  std::string read_;
  void* mapped_ = nullptr;
  std::size_t mappedLength_ = 0;
  std::string_view text_;
  std::size_t readable_ = 0;
};

// Why a folder the user named cannot be listed, or empty when it can.
std::string FolderProblem(const std::string& path);

}  // namespace tarnwick::sim

#endif
