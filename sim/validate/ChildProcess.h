// Another process of a program, watched from this one: whether it has
// ended, how (its exit code, or the signal or exception that ended it), and
// a way to end it when it takes too long.
#ifndef TARNWICK_SIM_VALIDATE_CHILD_PROCESS_H
#define TARNWICK_SIM_VALIDATE_CHILD_PROCESS_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::sim {

struct ChildEnd {
  bool crashed = false;
  int exitCode = 0;   // when it exited
  std::string cause;  // when it crashed: "signal 11 (SIGSEGV)", "exception 0xC0000005"
};

class ChildProcess {
 public:
  // Starts the program with the arguments; its standard output and error
  // go to the output file. Throws std::runtime_error when it cannot start.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outputFile);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Whether it has ended; then `end` says how. Does not wait.
  bool Ended(ChildEnd& end);
  // Ends it at once and waits for it.
  void Kill();
  double Seconds() const;

 private:
  std::chrono::steady_clock::time_point started_;
#ifdef _WIN32
  void* process_ = nullptr;
#else
  int pid_ = -1;
#endif
  bool running_ = false;
};

// The path of the running program, to start it again.
std::string ThisProgram();

}  // namespace tarnwick::sim

#endif
