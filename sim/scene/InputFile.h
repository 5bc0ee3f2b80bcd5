// Reads a file the user named as a whole: one line naming the file and what
// is wrong when it is missing, a folder or cannot be read.
#ifndef TARNWICK_SIM_SCENE_INPUT_FILE_H
#define TARNWICK_SIM_SCENE_INPUT_FILE_H

#include <stdexcept>
#include <string>

namespace tarnwick::sim {

struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The file's bytes; throws InputError ("PATH: does not exist", "PATH: is a
// folder, not a file", "PATH: cannot be read: WHY").
std::string ReadInputFile(const std::string& path);

// Why a folder the user named cannot be listed, or empty when it can.
std::string FolderProblem(const std::string& path);

}  // namespace tarnwick::sim

#endif
