#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controller/Snapshot.h"
#include "panels/TextMatching.h"

namespace brindlow {

// One tiled window that the search can offer, with the text that says where it sits.
struct SearchItem {
    WindowSnapshot window;
    std::string place;
    friend bool operator==(const SearchItem&, const SearchItem&) = default;
};

// The query, the candidates in strip order and the ranked rows with the highlighted one.
// Main thread.
class SearchModel {
  public:
    // Substring matches score this minus the characters before the match; subsequences
    // score kSubsequenceScore.
    static constexpr int kSubstringScore = 1000;
    static constexpr int kSubsequenceScore = 10;

    const std::string& query() const { return query_; }
    // Stores the text and ranks the candidates again at once.
    void setQuery(std::string query);

    int selection() const { return selection_; }
    void setSelection(int selection);

    const std::vector<SearchItem>& results() const { return results_; }
    const std::vector<SearchItem>& all() const { return all_; }
    // Replaces the candidates; the caller runs update().
    void setAll(std::vector<SearchItem> all);

    // Recomputes the rows and the highlighted row from the query and the candidates.
    void update();

    // The item's score for a query prepared by preparedQuery(), or nothing when it does not match.
    static std::optional<int> score(const SearchItem& item, std::string_view query);

    // Told after every change of the query, the selection or the rows.
    std::function<void()> onChange;

  private:
    static std::optional<int> score(const MatchText& haystack, const MatchText& query);
    void changed();

    std::string query_;
    int selection_ = 0;
    std::vector<SearchItem> results_;
    std::vector<SearchItem> all_;
    std::vector<MatchText> haystacks_;  // one per candidate, prepared once per load
};

}  // namespace brindlow
