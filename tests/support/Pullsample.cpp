#include "support/Pullsample.h"

#include <algorithm>
#include <cstdlib>
#include <random>

namespace testsupport {

PullSample PullSampleFromEnvironment() {
    PullSample sample;
    if (const char* oneIn = std::getenv("ZWQ_TEST_PULL_SAMPLE")) sample.oneIn = std::max(1, std::atoi(oneIn));
    if (const char* seed = std::getenv("ZWQ_TEST_PULL_SEED")) sample.seed = static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
    return sample;
}

std::vector<int> SampledPoints(const PullSample& sample, int last) {
    // mt19937's sequence is the same with every standard library, so a seed means the same
    // points on Windows and Linux.
    std::mt19937 random(sample.seed);
    std::vector<int> points;
    for (int k = 1; k <= last; ++k) {
        const bool drawn = random() % static_cast<unsigned>(sample.oneIn) == 0;
        if (drawn || k == 1 || k == last) points.push_back(k);
    }
    return points;
}

std::string Describe(const PullSample& sample) {
    return "pull points 1 in " + std::to_string(sample.oneIn) + ", seed " + std::to_string(sample.seed) +
           " (ZWQ_TEST_PULL_SAMPLE, ZWQ_TEST_PULL_SEED)";
}

}  // namespace testsupport
