// What the randomized controller runs share: a step that means the same wherever it stands, the
// environment's numbers, the random list, its literal for a regression row and its shrinking.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace brindlow::test {

// One step: which kind of thing happens, and the seed of its own random choices, so that a step
// means the same thing wherever it stands in a list.
struct Operation {
    int kind = 0;
    std::uint64_t seed = 0;
};

// The step where a list first went wrong, and what was wrong.
using Failure = std::optional<std::pair<size_t, std::string>>;

inline std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    return std::strtoull(text, nullptr, 10);
}

inline std::string literal(const std::vector<Operation>& operations) {
    std::ostringstream out;
    out << "{";
    for (size_t i = 0; i < operations.size(); ++i)
        out << (i ? ", " : "") << "{" << operations[i].kind << ", " << operations[i].seed << "ULL}";
    out << "}";
    return out.str();
}

inline std::vector<Operation> randomOperations(std::uint64_t seed, std::uint64_t count, int kinds) {
    std::mt19937_64 random(seed);
    std::vector<Operation> operations(count);
    for (Operation& operation : operations) operation = {int(random() % kinds), random()};
    return operations;
}

// A shorter list that still fails: chunks of halving size are left out while the failure stays
// (delta debugging), within a budget of replays.
inline std::vector<Operation> shrink(
    std::vector<Operation> failing,
    const std::function<Failure(const std::vector<Operation>&)>& firstFailure, int replayBudget) {
    int replays = 0;
    for (size_t chunk = failing.size() / 2; chunk >= 1 && replays < replayBudget; chunk /= 2) {
        for (size_t start = 0; start < failing.size() && replays < replayBudget;) {
            std::vector<Operation> candidate = failing;
            candidate.erase(
                candidate.begin() + std::ptrdiff_t(start),
                candidate.begin() + std::ptrdiff_t(std::min(start + chunk, candidate.size())));
            ++replays;
            if (const Failure failure = firstFailure(candidate)) {
                candidate.resize(std::min(failure->first + 1, candidate.size()));
                failing = std::move(candidate);
            } else {
                start += chunk;
            }
        }
    }
    return failing;
}

}  // namespace brindlow::test
