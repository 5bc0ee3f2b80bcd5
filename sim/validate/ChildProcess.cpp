#include "sim/validate/ChildProcess.h"

#include <cstdio>
#include <stdexcept>

#ifdef _WIN32
#include "platform/Win32.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#endif

namespace tarnwick::sim {

#ifdef _WIN32

namespace {

// One argument quoted the way the C runtime splits a command line.
std::string Quoted(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outputFile)
    : started_(std::chrono::steady_clock::now()) {
  std::string commandLine = Quoted(program);
  for (const std::string& argument : arguments) commandLine += " " + Quoted(argument);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) throw std::runtime_error(outputFile + ": cannot be written");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &info);
  CloseHandle(output);
  if (!started) throw std::runtime_error(program + ": cannot be started");
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  running_ = true;
}

ChildProcess::~ChildProcess() {
  if (running_) Kill();
  if (process_ != nullptr) CloseHandle(process_);
}

bool ChildProcess::Ended(ChildEnd& end) {
  if (!running_) return true;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
  running_ = false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  // Exception codes have both top bits set: 0xC0000005 and the like.
  end.crashed = (code & 0xC0000000u) == 0xC0000000u;
  end.exitCode = static_cast<int>(code);
  char cause[32];
  std::snprintf(cause, sizeof cause, "exception 0x%08lX", static_cast<unsigned long>(code));
  end.cause = end.crashed ? cause : "";
  return true;
}

void ChildProcess::Kill() {
  if (!running_) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, INFINITE);
  running_ = false;
}

std::string ThisProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

#else

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outputFile)
    : started_(std::chrono::steady_clock::now()) {
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (output < 0) throw std::runtime_error(outputFile + ": cannot be written");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(output);
  if (pid_ < 0) throw std::runtime_error(program + ": cannot be started");
  running_ = true;
}

ChildProcess::~ChildProcess() {
  if (running_) Kill();
}

bool ChildProcess::Ended(ChildEnd& end) {
  if (!running_) return true;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
  running_ = false;
  end.crashed = WIFSIGNALED(status);
  end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (end.crashed) {
    const int signal = WTERMSIG(status);
    const char* name = sigabbrev_np(signal);
    end.cause =
        "signal " + std::to_string(signal) + (name ? " (SIG" + std::string(name) + ")" : "");
  }
  return true;
}

void ChildProcess::Kill() {
  if (!running_) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  running_ = false;
}

std::string ThisProgram() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0) throw std::runtime_error("cannot find this program's own path");
  return std::string(path, static_cast<std::size_t>(length));
}

#endif

double ChildProcess::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

}  // namespace tarnwick::sim
