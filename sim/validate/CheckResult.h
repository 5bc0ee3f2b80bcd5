// What one check of the validator came to: one status type, serialised in
// one place, which the child process that ran the check hands to the
// validator and which the validator prints and writes as JSON.
#ifndef TARNWICK_SIM_VALIDATE_CHECK_RESULT_H
#define TARNWICK_SIM_VALIDATE_CHECK_RESULT_H

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/validate/checks/Check.h"

namespace tarnwick::sim {

enum class CheckStatus { kPass, kFail, kCrash, kTimeout, kSkip };

struct CheckResult {
  CheckStatus status = CheckStatus::kPass;
  double elapsedSeconds = 0;  // how long its process ran
  // The first problem, or what the check measured, or why it was skipped,
  // crashed or timed out; then every problem.
  std::string detail;
  std::vector<std::string> problems;
};

// "pass", "fail", "crash", "timeout" or "skip".
const char* StatusName(CheckStatus status);
// Every status, in the order the totals list them.
extern const CheckStatus kEveryStatus[5];

// How many checks came to each status.
class StatusTotals {
 public:
  void Count(CheckStatus status) { ++counts_[static_cast<std::size_t>(status)]; }
  int operator[](CheckStatus status) const { return counts_[static_cast<std::size_t>(status)]; }
  // Whether a check failed, crashed or timed out.
  bool AnyFound() const;

 private:
  int counts_[5] = {};
};

// A check's own report as a result: skipped, passed or failed.
CheckResult FromReport(const CheckReport& report);
CheckResult Crashed(const std::string& cause);
CheckResult TimedOut(double limit);

// The result as one JSON object: {"name", "status", "seconds", "detail",
// "problems"}; as text, and back, none when the text is not such an object.
nlohmann::ordered_json ToJson(const std::string& name, const CheckResult& result);
std::string Serialise(const std::string& name, const CheckResult& result, int indent = -1);
std::optional<CheckResult> Deserialise(const std::string& text);
// The text with its line ends made spaces.
std::string OneLine(std::string text);
// The line the validator prints for the result.
std::string Line(const std::string& name, const CheckResult& result);

}  // namespace tarnwick::sim

#endif
