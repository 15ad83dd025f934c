#include "Working/NeuralNets/TErrorObj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Working/KQmessage/KQML.h"

namespace {

TEST(TErrorRMSObj, RootOfMeanSquaredDifference) {
  TErrorRMSObj two(2);
  const double t[] = {1, 2}, y[] = {1, 4};
  two.Accumulate(t, y);
  EXPECT_DOUBLE_EQ(two.GetError(), std::sqrt(2.0));

  TErrorRMSObj one(1);
  const double zero = 0, unit = 1;
  one.Accumulate(&zero, &unit);
  one.Accumulate(&zero, &zero);
  EXPECT_DOUBLE_EQ(one.GetError(), std::sqrt(0.5));
  EXPECT_EQ(one.numRows, 2);

  one.Reset();
  EXPECT_EQ(one.GetError(), 0.0);  // nothing compared
  one.Accumulate(&zero, &zero);
  EXPECT_EQ(one.GetError(), 0.0);
  one.Accumulate(&unit, &zero);
  EXPECT_DOUBLE_EQ(one.GetError(), std::sqrt(0.5));
}

TEST(TErrorCrossEntropyObj, SumsTermsWithTheGuardAtOne) {
  TErrorCrossEntropyObj measure(1);
  const double half = 0.5, one = 1.0, zero = 0.0;
  measure.Accumulate(&half, &half);
  EXPECT_DOUBLE_EQ(measure.GetError(), std::log(2.0));
  measure.Accumulate(&one, &one);
  EXPECT_DOUBLE_EQ(measure.GetError(), std::log(2.0));
  measure.Accumulate(&zero, &one);
  EXPECT_DOUBLE_EQ(measure.GetError(), std::log(2.0) + 1e6);
  EXPECT_EQ(measure.numRows, 3);
  measure.Reset();
  EXPECT_EQ(measure.GetError(), 0.0);
}

std::unique_ptr<TKQstructure> Parse(const char* text) {
  return std::unique_ptr<TKQstructure>(ParseMessage(text));
}

TEST(PenaltyTerm, Kinds) {
  TErrorRMSObj measure(1);
  const double w[] = {-1, 3};
  struct Case {
    const char* description;
    double expected;
  };
  const Case cases[] = {
      {"none", 0.0},
      {"NoNe", 0.0},
      {"QUADPENALTY", 0.0},
      {"(quadpenalty :EPSILON2 1)", 10.0},
      // e1*b*w^2/(b*w^2+1) with b = 1: 1/2 + 9/10
      {"(QuadPenalty :epsilon1 1)", 0.5 + 0.9},
      {"(QUADPENALTY :EPSILON1 2 :BETA 2 :EPSILON2 0.5)", 2 * 2 * 1.0 / 3 + 2 * 2 * 9.0 / 19 + 5.0},
      {"(LWF :LEARNINGRATE 2 :FORGETTINGRATE 0.5)", 4.0},
      {"(lwf :LearningRate 2)", 0.0},
  };
  for (const Case& c : cases) {
    auto description = Parse(c.description);
    EXPECT_DOUBLE_EQ(measure.PenaltyTerm(2, w, description.get()), c.expected) << c.description;
  }
  EXPECT_EQ(measure.PenaltyTerm(2, w, nullptr), 0.0);
}

TEST(PenaltyTerm, AddPenaltyGoesIntoTheSum) {
  const double w[] = {-1, 3};
  auto lwf = Parse("(LWF :LEARNINGRATE 2 :FORGETTINGRATE 0.5)");
  TErrorRMSObj rms(1);
  const double zero = 0;
  rms.Accumulate(&zero, &zero);
  rms.AddPenalty(2, w, lwf.get());
  EXPECT_DOUBLE_EQ(rms.GetError(), 2.0);  // sqrt(4 / 1 / 1)
  TErrorCrossEntropyObj cross(1);
  cross.AddPenalty(2, w, lwf.get());
  EXPECT_DOUBLE_EQ(cross.GetError(), 4.0);
}

// Returns the error structure thrown by f, owned by the caller.
template <typename F>
std::unique_ptr<TKQstructure> ThrownError(F f) {
  try {
    f();
  } catch (const TKQstructure::Error& e) {
    return std::unique_ptr<TKQstructure>(e.error);
  }
  return nullptr;
}

TEST(PenaltyTerm, BadDescriptionsAreRefusedAndLeaveTheSumAlone) {
  const double w[] = {1};
  TErrorRMSObj measure(1);
  auto bad_number = Parse("(LWF :LEARNINGRATE x :FORGETTINGRATE 1)");
  auto error = ThrownError([&] { measure.AddPenalty(1, w, bad_number.get()); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->ToText(), "(error :type invalid-message :number-expected x)");
  EXPECT_EQ(measure.sum, 0.0);

  auto unknown = Parse("(WEIGHTDECAY :RATE 1)");
  error = ThrownError([&] { measure.AddPenalty(1, w, unknown.get()); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetValue("type")->head, "invalid-message");
  EXPECT_EQ(measure.sum, 0.0);
}

}  // namespace
