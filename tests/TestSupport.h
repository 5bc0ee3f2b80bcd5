// Helpers shared by the tests: files, the Lua harness.
#ifndef TARNWICK_TESTS_TEST_SUPPORT_H
#define TARNWICK_TESTS_TEST_SUPPORT_H

#include <string>

namespace tarnwick::tests {

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Path of a file in the source tree.
std::string SourcePath(const std::string& relative);

struct HarnessResult {
  int status;
  std::string output;  // the harness's summary, or its message
};

// Runs the Lua harness on the text; status 0 when it loads as settings.
HarnessResult RunHarness(const std::string& text);

}  // namespace tarnwick::tests

#endif
