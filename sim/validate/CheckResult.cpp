#include "sim/validate/CheckResult.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace tarnwick::sim {

namespace {

using Json = nlohmann::ordered_json;

}  // namespace

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// "detail" is the summary followed by the further problems, a line each.
Json ToJson(const std::string& name, const CheckResult& result) {
  std::string detail = result.detail;
  for (std::size_t p = 1; p < result.problems.size(); ++p) detail += "\n" + result.problems[p];
  return Json{{"name", name},
              {"status", StatusName(result.status)},
              {"seconds", result.elapsedSeconds},
              {"detail", detail},
              {"problems", result.problems}};
}

const CheckStatus kEveryStatus[5] = {CheckStatus::kPass, CheckStatus::kFail, CheckStatus::kCrash,
                                     CheckStatus::kTimeout, CheckStatus::kSkip};

const char* StatusName(CheckStatus status) {
  switch (status) {
    case CheckStatus::kPass:
      return "pass";
    case CheckStatus::kFail:
      return "fail";
    case CheckStatus::kCrash:
      return "crash";
    case CheckStatus::kTimeout:
      return "timeout";
    case CheckStatus::kSkip:
      return "skip";
  }
  return "fail";
}

bool StatusTotals::AnyFound() const {
  return (*this)[CheckStatus::kFail] + (*this)[CheckStatus::kCrash] +
             (*this)[CheckStatus::kTimeout] >
         0;
}

CheckResult FromReport(const CheckReport& report) {
  CheckResult result;
  result.status = report.skipped            ? CheckStatus::kSkip
                  : report.problems.empty() ? CheckStatus::kPass
                                            : CheckStatus::kFail;
  result.problems = report.problems;
  result.detail = report.problems.empty() ? report.note : report.problems.front();
  return result;
}

CheckResult Crashed(const std::string& cause) {
  CheckResult result;
  result.status = CheckStatus::kCrash;
  result.detail = cause;
  return result;
}

CheckResult TimedOut(double limit) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", limit);
  CheckResult result;
  result.status = CheckStatus::kTimeout;
  result.detail = std::string("still running past its limit of ") + seconds + " s";
  return result;
}

std::string Serialise(const std::string& name, const CheckResult& result, int indent) {
  return ToJson(name, result).dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<CheckResult> Deserialise(const std::string& text) {
  const Json json = Json::parse(text, nullptr, false);
  if (!json.is_object() || !json.contains("status") || !json["status"].is_string()) {
    return std::nullopt;
  }
  CheckResult result;
  const std::string status = json["status"].get<std::string>();
  bool known = false;
  for (const CheckStatus candidate : kEveryStatus) {
    if (status == StatusName(candidate)) {
      result.status = candidate;
      known = true;
    }
  }
  if (!known) return std::nullopt;
  if (json.contains("seconds") && json["seconds"].is_number()) {
    result.elapsedSeconds = json["seconds"].get<double>();
  }
  if (json.contains("problems") && json["problems"].is_array()) {
    for (const Json& problem : json["problems"]) {
      if (problem.is_string()) result.problems.push_back(problem.get<std::string>());
    }
  }
  if (!result.problems.empty()) {
    result.detail = result.problems.front();
  } else if (json.contains("detail") && json["detail"].is_string()) {
    result.detail = json["detail"].get<std::string>();
  }
  return result;
}

std::string Line(const std::string& name, const CheckResult& result) {
  char head[96];
  std::snprintf(head, sizeof head, "%-17s %-8s %8.2fs  ", name.c_str(), StatusName(result.status),
                result.elapsedSeconds);
  return head + OneLine(result.detail);
}

}  // namespace tarnwick::sim
