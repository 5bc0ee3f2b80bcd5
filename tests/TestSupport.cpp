#include "tests/TestSupport.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarnwick::tests {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string SourcePath(const std::string& relative) {
  return std::string(TARNWICK_SOURCE_DIR) + "/" + relative;
}

#ifndef _WIN32
HarnessResult RunHarness(const std::string& text) {
  char path[] = "/tmp/tarnwick-harness-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    return {-1, "cannot create a temporary file"};
  }
  close(fd);
  WriteFile(path, text);
  const std::string command =
      "lua5.4 " + SourcePath("tests/fusion_harness.lua") + " " + path + " 2>&1";
  HarnessResult result{0, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    unlink(path);
    return {-1, "cannot run lua5.4"};
  }
  char chunk[4096];
  std::size_t got = 0;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
    result.output.append(chunk, got);
  }
  result.status = pclose(pipe);
  unlink(path);
  return result;
}
#endif

}  // namespace tarnwick::tests
