// Patterson's nested rules as stored: constants equal their decimal strings, each rule
// integrates the even powers up to its degree, and the weights of each stage sum to 2.
#include "engine/patterson.h"

#include <gtest/gtest.h>

#include <quadmath.h>

using engine::quad;

namespace {

struct Rule {
    int points;
    int degree;
};

// The (2^i - 1)-point rule applied to f on [-1, 1], from the stage layout.
template <class F> quad applyRule(int stage, F f) {
    const int pairs = (1 << (stage - 1)) - 1;
    quad sum = engine::pattersonWeights[2 * pairs - 1] * f(0);
    int node = 0;
    for (int s = 2; s <= stage; ++s) {
        const int added = 1 << (s - 2);
        for (int j = 0; j < added; ++j, ++node) {
            const quad x = engine::pattersonNodes[added - 1 + j];
            sum += engine::pattersonWeights[pairs - 1 + node] * (f(x) + f(-x));
        }
    }
    return sum;
}

TEST(PattersonTable, ConstantsAreTheirDecimalStringsRoundedToQuad) {
    for (int i = 0; i < 127; ++i)
        EXPECT_TRUE(engine::pattersonNodes[i] == strtoflt128(engine::pattersonNodeText[i], nullptr))
            << "node " << i + 1;
    for (int i = 0; i < 254; ++i)
        EXPECT_TRUE(engine::pattersonWeights[i] ==
                    strtoflt128(engine::pattersonWeightText[i], nullptr))
            << "weight " << i + 1;
    // Spot values of the published table (Patterson 1968).
    EXPECT_STREQ(engine::pattersonNodeText[0], "0.77459666924148337704");
    EXPECT_STREQ(engine::pattersonNodeText[126], "0.014093886410782462614");
    EXPECT_STREQ(engine::pattersonWeightText[0], "0.55555555555555555556");
    EXPECT_STREQ(engine::pattersonWeightText[1], "0.88888888888888888889");
}

TEST(PattersonTable, EveryRuleIntegratesEvenPowersUpToItsDegree) {
    const Rule rules[] = {{3, 5}, {7, 11}, {15, 23}, {31, 47}, {63, 95}, {127, 191}, {255, 383}};
    for (int stage = 2; stage <= 8; ++stage) {
        const Rule rule = rules[stage - 2];
        for (int p = 0; p <= rule.degree; p += 2) {
            const quad exact = 2.0Q / (p + 1);
            const quad got = applyRule(stage, [p](quad x) { return powq(x, p); });
            // 20-digit coefficients: about 1e-19 relative.
            EXPECT_LT(static_cast<double>(fabsq(got - exact) / exact), 2e-19)
                << rule.points << "-point rule, x^" << p;
        }
        // The first even power past the degree is not integrated exactly (measurably so with
        // 20-digit coefficients up to the 31-point rule).
        if (stage <= 5) {
            const int p = rule.degree + 1;
            const quad got = applyRule(stage, [p](quad x) { return powq(x, p); });
            EXPECT_GT(static_cast<double>(fabsq(got - 2.0Q / (p + 1))), 5e-19)
                << rule.points << "-point rule, x^" << p;
        }
    }
}

TEST(PattersonTable, WeightsOfEachStageSumToTwo) {
    for (int stage = 2; stage <= 8; ++stage) {
        const quad sum = applyRule(stage, [](quad) { return quad(1); });
        EXPECT_LT(static_cast<double>(fabsq(sum - 2)), 1e-19) << "stage " << stage;
    }
}

TEST(PattersonTable, NodesOfEachStageDecreaseAndLieInsideTheInterval) {
    for (int stage = 2; stage <= 8; ++stage) {
        const int added = 1 << (stage - 2);
        for (int j = 0; j < added; ++j) {
            const quad x = engine::pattersonNodes[added - 1 + j];
            EXPECT_TRUE(x > 0 && x < 1);
            if (j > 0) {
                EXPECT_TRUE(x < engine::pattersonNodes[added - 2 + j]);
            }
        }
    }
}

} // namespace
