#include "Working/NeuralNets/ActFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Working/NeuralNets/TBasicNetwork.h"

namespace {

// Runs f on a neuron whose value slot is local, with the given gain.
double Apply(ActivationFunction f, double net, double gain = 1.0) {
  double out = -12345.0;
  TGainNeuron neuron;
  neuron.value = &out;
  neuron.gain = gain;
  f(neuron, net);
  return out;
}

TEST(ActFunctions, ValuesAtTheEdges) {
  struct Case {
    const char* name;
    double net;
    double gain;
    double expected;
  };
  const Case cases[] = {
      {"bias", 0.0, 1.0, 1.0},
      {"bias", -3.0, 1.0, 1.0},
      {"linear", -2.5, 1.0, -2.5},
      {"saturated-linear", -0.5, 1.0, 0.0},
      {"saturated-linear", 0.0, 1.0, 0.0},
      {"saturated-linear", 0.5, 1.0, 0.5},
      {"saturated-linear", 1.0, 1.0, 1.0},
      {"saturated-linear", 7.0, 1.0, 1.0},
      {"sigmoid", 0.0, 1.0, 0.5},
      {"sigmoid", -501.0, 1.0, 1e-300},
      {"sigmoid", -500.0, 1.0, 1.0 / (std::exp(500.0) + 1.0)},
      {"sigmoid", 2.0, 1.0, 1.0 / (std::exp(-2.0) + 1.0)},
      {"tanh", 0.5, 1.0, std::tanh(0.5)},
      {"linear-gain", 3.0, 0.5, 1.5},
      {"sigmoid-gain", 1.0, 2.0, 1.0 / (std::exp(-2.0) + 1.0)},
      {"sigmoid-gain", -501.0, 1.0, 1.0 / (std::exp(501.0) + 1.0)},  // no cut-off
      {"tanh-gain", 0.25, 2.0, std::tanh(0.5)},
  };
  TFnRegistry registry;
  registry.RegisterDefaults();
  for (const Case& c : cases) {
    EXPECT_EQ(Apply(registry.GetFunction(c.name), c.net, c.gain), c.expected)
        << c.name << "(" << c.net << ", gain " << c.gain << ")";
  }
  // The value at -500 goes through the formula: about 7.1e-218.
  EXPECT_GT(Apply(&ActFnSigmoid, -500.0), 7e-218);
  EXPECT_LT(Apply(&ActFnSigmoid, -500.0), 7.2e-218);
}

TEST(ActFunctions, ErrorAndNullFail) {
  EXPECT_DEATH(Apply(&ActFnError, 0.0),
               "Assertion failed: false, file Working/NeuralNets/ActFunctions.cpp, line 37");
  EXPECT_DEATH(Apply(&ActFnNull, 0.0),
               "Assertion failed: false, file Working/NeuralNets/ActFunctions.cpp, line 45");
}

TEST(ActFunctions, OnlyTheGainFunctionsNeedGain) {
  const ActivationFunction plain[] = {&ActFnError, &ActFnNull,    &ActFnBias,
                                      &ActFnLinear, &ActFnSaturatedLinear, &ActFnSigmoid,
                                      &ActFnTanh};
  for (ActivationFunction f : plain) EXPECT_FALSE(ActivationNeedsGain(f));
  EXPECT_TRUE(ActivationNeedsGain(&ActFnLinearGain));
  EXPECT_TRUE(ActivationNeedsGain(&ActFnSigmoidGain));
  EXPECT_TRUE(ActivationNeedsGain(&ActFnTanhGain));
}

TEST(TFnRegistry, DefaultsInOrderAndLookupWithoutCase) {
  TFnRegistry registry;
  EXPECT_EQ(registry.GetCount(), 0);
  EXPECT_EQ(registry.GetCapacity(), 16);
  registry.RegisterDefaults();
  EXPECT_EQ(registry.GetCount(), 10);
  const struct {
    const char* name;
    ActivationFunction function;
  } expected[] = {
      {"error", &ActFnError},
      {"null", &ActFnNull},
      {"bias", &ActFnBias},
      {"linear", &ActFnLinear},
      {"saturated-linear", &ActFnSaturatedLinear},
      {"sigmoid", &ActFnSigmoid},
      {"tanh", &ActFnTanh},
      {"linear-gain", &ActFnLinearGain},
      {"sigmoid-gain", &ActFnSigmoidGain},
      {"tanh-gain", &ActFnTanhGain},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(registry.GetFunction(e.name), e.function) << e.name;
    EXPECT_STREQ(registry.GetFunctionName(e.function), e.name);
  }
  EXPECT_EQ(registry.GetFunction("SIGMOID"), &ActFnSigmoid);
  EXPECT_EQ(registry.GetFunction("Sigmoid"), &ActFnSigmoid);
  EXPECT_STREQ(registry.GetFunctionName(registry.GetFunction("TANH-Gain")), "tanh-gain");
  EXPECT_EQ(registry.FindFunction("Sigmoid"), &ActFnSigmoid);
  EXPECT_EQ(registry.FindFunction("softmax"), nullptr);
}

void Custom(TBasicNeuron& neuron, double net) { *neuron.value = 2.0 * net; }

TEST(TFnRegistry, RefusesDuplicatesAndUnknowns) {
  TFnRegistry registry;
  registry.RegisterDefaults();
  EXPECT_DEATH(registry.Register(&Custom, "Linear"),
               "Assertion failed: strcasecmp\\(p,pp->name\\)!=0, file "
               "Working/NeuralNets/ActFunctions.cpp, line 236");
  EXPECT_DEATH(registry.GetFunction("softmax"),
               "Assertion failed: false, file Working/NeuralNets/ActFunctions.cpp, line 207");
  EXPECT_DEATH(registry.GetFunctionName(&Custom),
               "Assertion failed: false, file Working/NeuralNets/ActFunctions.cpp, line 223");
}

TEST(TFnRegistry, GrowsByDoublingAndKeepsOrder) {
  TFnRegistry registry;
  registry.RegisterDefaults();
  std::string names[30];
  for (int i = 0; i < 30; ++i) names[i] = "custom" + std::to_string(i);
  for (int i = 0; i < 6; ++i) registry.Register(&Custom, names[i].c_str());
  EXPECT_EQ(registry.GetCount(), 16);
  EXPECT_EQ(registry.GetCapacity(), 16);
  registry.Register(&Custom, names[6].c_str());  // the seventeenth
  EXPECT_EQ(registry.GetCount(), 17);
  EXPECT_EQ(registry.GetCapacity(), 32);
  for (int i = 7; i < 23; ++i) registry.Register(&Custom, names[i].c_str());
  EXPECT_EQ(registry.GetCapacity(), 64);
  EXPECT_EQ(registry.GetFunction("error"), &ActFnError);
  EXPECT_EQ(registry.GetFunction("tanh-gain"), &ActFnTanhGain);
  EXPECT_EQ(registry.GetFunction("CUSTOM22"), &Custom);
  // Lookup by address runs from the latest entry back.
  EXPECT_STREQ(registry.GetFunctionName(&Custom), "custom22");
}

TEST(TFnRegistry, FunctionSlotAppendsOnMiss) {
  TFnRegistry registry;
  registry.RegisterDefaults();
  EXPECT_EQ(registry.FunctionSlot("BIAS"), &ActFnBias);
  EXPECT_EQ(registry.GetCount(), 10);
  ActivationFunction& slot = registry.FunctionSlot("double");
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(registry.GetCount(), 11);
  slot = &Custom;
  EXPECT_EQ(registry.GetFunction("Double"), &Custom);
  EXPECT_STREQ(registry.GetFunctionName(&Custom), "double");
}

}  // namespace
