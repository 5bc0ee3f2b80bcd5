// Files the simulator writes, written so that no file the user had is lost:
// each output goes to a temporary file beside its target and replaces the
// target only once it is whole; an output never produced leaves the target
// as it was.
#ifndef TARNWICK_SIM_PROGRAM_OUTPUT_FILE_H
#define TARNWICK_SIM_PROGRAM_OUTPUT_FILE_H

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::sim {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the temporary file of an output that was not committed.
  ~OutputFile();

  // Opens the temporary file for `path`; false after saying on standard
  // error why the target cannot be written.
  bool Open(const std::string& path);
  bool is_open() const { return out_.is_open(); }
  std::ostream& stream() { return out_; }
  // Puts the whole output in the target's place; false after saying why not.
  bool Commit();
  // Gives the output up: the target stays as it was.
  void Discard();

 private:
  std::string target_;
  std::string temporary_;
  std::ofstream out_;
};

// A file the command line names, with the option that names it.
struct NamedFile {
  std::string option;  // "--report", or "the scene" for a positional argument
  std::string path;
};

// The first clash of an output with an input or with another output, both
// being one file (after links are followed), as one line; none when every
// output is a file of its own. Empty paths are not given.
std::optional<std::string> OutputClash(const std::vector<NamedFile>& inputs,
                                       const std::vector<NamedFile>& outputs);

}  // namespace tarnwick::sim

#endif
