// What every check of the validator is built on: its problems and their
// messages, its result's one serialisation and the totals by status, and
// the spans of a played session's steps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/scene/Join.h"
#include "sim/validate/CheckResult.h"
#include "sim/validate/checks/CheckSupport.h"
#include "tests/SimSupport.h"

namespace tarnwick::sim {
namespace {

TEST(CheckSupport, ProblemsSayWhatWasReturnedAndCountWhatTheyDoNotList) {
  const struct {
    const char* what;
    int64_t actual, expected;
    int repeats;
    std::vector<std::string> problems;
  } cases[] = {
      {"as expected", 4, 4, 1, {}},
      {"once", 2, 0, 1, {"the command returned 2, not 0"}},
      {"a negative code", -2147483648LL, 516, 1, {"the command returned -2147483648, not 516"}},
      {"past the list", 1, 0, 23, std::vector<std::string>(20, "the command returned 1, not 0")},
  };
  for (const auto& c : cases) {
    CheckReport report;
    {
      checks::Problems problems(report);
      for (int i = 0; i < c.repeats; ++i) {
        problems.ExpectReturned("the command", c.actual, c.expected);
      }
    }
    std::vector<std::string> expected = c.problems;
    if (c.repeats > 20) expected.push_back("... and 3 more");
    EXPECT_EQ(report.problems, expected) << c.what;
  }
}

TEST(CheckSupport, ListsJoinAsMessagesNameThem) {
  EXPECT_EQ(Join(std::vector<std::string>{}, ", "), "");
  EXPECT_EQ(Join(std::vector<std::string>{"one"}, ", "), "one");
  EXPECT_EQ(Join(std::vector<const char*>{"a", "b", "c"}, ", "), "a, b, c");
}

TEST(CheckSupport, EveryStatusSurvivesItsSerialisationAndIsTotalled) {
  StatusTotals totals;
  for (const CheckStatus status : kEveryStatus) {
    CheckResult result;
    result.status = status;
    result.elapsedSeconds = 1.5;
    result.problems = {"first\nsecond line", "another"};
    result.detail = result.problems.front();
    const std::optional<CheckResult> back = Deserialise(Serialise("a-check", result));
    ASSERT_TRUE(back.has_value()) << StatusName(status);
    EXPECT_EQ(back->status, status);
    EXPECT_EQ(back->elapsedSeconds, 1.5);
    EXPECT_EQ(back->problems, result.problems);
    EXPECT_EQ(back->detail, "first\nsecond line");
    totals.Count(status);
    EXPECT_EQ(totals[status], 1);
  }
  EXPECT_TRUE(totals.AnyFound());
  for (const char* text : {"", "[]", "{}", R"({"status": "lost"})", R"({"status": 0})", "{"}) {
    EXPECT_FALSE(Deserialise(text).has_value()) << text;
  }
  const struct {
    CheckStatus status;
    bool found;
  } alone[] = {{CheckStatus::kPass, false},
               {CheckStatus::kSkip, false},
               {CheckStatus::kFail, true},
               {CheckStatus::kCrash, true},
               {CheckStatus::kTimeout, true}};
  for (const auto& c : alone) {
    StatusTotals one;
    one.Count(c.status);
    EXPECT_EQ(one.AnyFound(), c.found) << StatusName(c.status);
  }
}

TEST(CheckSupport, AStepsSpanHoldsTheCallsItMade) {
  {
    const Played registered = tests::Play(tests::CompScene("[]", "[]", R"("session": ["entry"],)"));
    EXPECT_EQ(StepSpan(registered, SessionStep::kCommand), (std::pair<int64_t, int64_t>{0, 0}))
        << "a step the session did not play";
  }
  const Played played = tests::Play(tests::CompScene(
      R"([ { "masks": [ { "vertices": [ [1, 2, 3, 4, 5, 6] ] } ] } ])", checks::kSelectMask));
  for (const SessionStep step : {SessionStep::kEntry, SessionStep::kCommand}) {
    const auto [from, to] = StepSpan(played, step);
    ASSERT_LT(from, to);
    for (int64_t call = from + 1; call <= to; ++call) {
      ASSERT_NE(StepOfCall(played, call), nullptr);
      EXPECT_EQ(StepOfCall(played, call)->step, step) << "call " << call;
    }
  }
  const auto [idleFrom, idleTo] = StepSpan(played, SessionStep::kIdle);
  EXPECT_EQ(idleFrom, idleTo) << "the idle hook makes no host call";
  EXPECT_EQ(StepOfCall(played, static_cast<int64_t>(played.calls().size()) + 1), nullptr);
}

}  // namespace
}  // namespace tarnwick::sim
