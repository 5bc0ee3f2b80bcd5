// Files the simulator writes, written so that no file the user had is lost.
// A regular file (or a file not there yet) is written to a temporary file
// beside it and replaces it only once whole; an output never produced leaves
// it as it was. Anything else — a device, a pipe, a socket, standard output
// ("-", /dev/stdout, /proc/self/fd/N) — is written where it is: replacing a
// device node or a pipe with a file would break every other program that
// uses it.
#ifndef TARNWICK_SIM_SESSION_OUTPUT_FILE_H
#define TARNWICK_SIM_SESSION_OUTPUT_FILE_H

#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwick::sim {

// How an output reaches its target.
enum class OutputKind {
  kReplaced,        // a regular file, replaced whole by a renamed temporary file
  kInPlace,         // a device, pipe, socket or a descriptor's name, opened and written
  kStandardOutput,  // this process's standard output ("-", or the file it goes to)
  kStandardError,   // this process's standard error (the file it goes to)
};

// How `path` would be written; "-" is standard output.
OutputKind KindOfOutput(const std::string& path);

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the temporary file of an output that was not committed.
  ~OutputFile();

  // Opens `path` for writing (a temporary file beside it, or the target
  // itself when it is not a regular file); false after saying on standard
  // error why it cannot be written.
  bool Open(const std::string& path);
  bool is_open() const { return stream_ != nullptr; }
  std::ostream& stream() { return *stream_; }
  // Finishes the output: puts a regular file's whole output in its place, or
  // flushes one written in place; false after saying why not.
  bool Commit();
  // Gives the output up: a regular target stays as it was.
  void Discard();

 private:
  std::string named_;  // as the user gave it, for messages
  std::string target_;
  std::string temporary_;
  OutputKind kind_ = OutputKind::kReplaced;
  std::ofstream out_;
  std::ostream* stream_ = nullptr;
};

// A file the command line names, with the option that names it.
struct NamedFile {
  std::string option;  // "--report", or "the scene" for a positional argument
  std::string path;
};

// The first clash of an output with an input or with another output, both
// being one file (after links are followed), as one line; none when every
// output is a file of its own. Empty paths are not given. Outputs written in
// place (devices, pipes, standard output) may be named more than once: each
// is written after the other, and none replaces anything.
std::optional<std::string> OutputClash(const std::vector<NamedFile>& inputs,
                                       const std::vector<NamedFile>& outputs);

// Refuses a command line whose outputs would overwrite one of its inputs or
// each other, before anything is read or written: false after saying so in
// one line. Outputs not given (empty paths) are left out.
bool OutputsOwnFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);

}  // namespace tarnwick::sim

#endif
