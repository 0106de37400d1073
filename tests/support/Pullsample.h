#pragma once
// Which pull points a sweep over a card pulled out at every changing call tries. Natively every
// one. The Windows suites under Wine, where each file operation is a round trip to the Wine
// server, set ZWQ_TEST_PULL_SAMPLE=n: about one point in n, chosen by ZWQ_TEST_PULL_SEED (1 when
// unset), the first and the last always. The same seed takes the same points again, so a failure
// is replayed by running the suite with the seed its output names.

#include <string>
#include <vector>

namespace testsupport {

struct PullSample {
    int oneIn = 1;  // 1: every point
    unsigned seed = 1;
};

// The sample the environment asks for.
PullSample PullSampleFromEnvironment();
// The points of 1..last the sample takes, in order.
std::vector<int> SampledPoints(const PullSample& sample, int last);
// "pull points 1 in n, seed s", for the test's output.
std::string Describe(const PullSample& sample);

}  // namespace testsupport
