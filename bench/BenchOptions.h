// The command line of a benchmark program that is not a Google Benchmark one: "--name value"
// options among plain words (a mode, commands to time), in any order.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace brindlow::bench {

class BenchOptions {
  public:
    BenchOptions(int argc, char** argv) {
        for (int i = 1; i < argc; ++i) {
            const std::string word = argv[i];
            if (word.starts_with("--") && i + 1 < argc)
                options_[word] = argv[++i];
            else
                words_.push_back(word);
        }
    }

    // The words that are no option nor an option's value, in their order.
    const std::vector<std::string>& words() const { return words_; }
    // The first word (a mode), empty without one.
    std::string word() const { return words_.empty() ? std::string() : words_.front(); }

    bool has(const std::string& name) const { return options_.contains(name); }
    std::string text(const std::string& name, const std::string& fallback = {}) const {
        const auto found = options_.find(name);
        return found == options_.end() ? fallback : found->second;
    }
    // A whole number, at least `least`.
    int number(const std::string& name, int fallback, int least = 0) const {
        return has(name) ? std::max(least, std::atoi(text(name).c_str())) : fallback;
    }
    // A number with a fraction, at least `least`.
    double decimal(const std::string& name, double fallback, double least = 0) const {
        return has(name) ? std::max(least, std::atof(text(name).c_str())) : fallback;
    }

  private:
    std::map<std::string, std::string> options_;
    std::vector<std::string> words_;
};

}  // namespace brindlow::bench
