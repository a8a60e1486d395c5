#include "panels/SearchModel.h"

#include <algorithm>

namespace brindlow {

namespace {

MatchText haystackOf(const WindowSnapshot& window) {
    return MatchText(window.app + " " + window.title);
}

}  // namespace

void SearchModel::setQuery(std::string query) {
    query_ = std::move(query);
    update();
}

void SearchModel::setSelection(int selection) {
    selection_ = selection;
    changed();
}

void SearchModel::setAll(std::vector<SearchItem> all) {
    all_ = std::move(all);
    haystacks_.clear();
    haystacks_.reserve(all_.size());
    for (const SearchItem& item : all_) haystacks_.push_back(haystackOf(item.window));
}

std::optional<int> SearchModel::score(const MatchText& haystack, const MatchText& query) {
    if (const auto offset = haystack.characterOffsetOf(query)) return kSubstringScore - *offset;
    if (haystack.containsInOrder(query)) return kSubsequenceScore;
    return std::nullopt;
}

std::optional<int> SearchModel::score(const SearchItem& item, std::string_view query) {
    return score(haystackOf(item.window), MatchText(query));
}

void SearchModel::update() {
    const std::string q = preparedQuery(query_);
    if (q.empty()) {
        results_ = all_;
        selection_ = std::min(selection_, std::max(int(results_.size()) - 1, 0));
    } else {
        const MatchText query(q);
        std::vector<std::pair<int, size_t>> scored;
        for (size_t i = 0; i < all_.size(); ++i)
            if (const auto s = score(haystacks_[i], query)) scored.emplace_back(*s, i);
        std::stable_sort(scored.begin(), scored.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        results_.clear();
        results_.reserve(scored.size());
        for (const auto& [s, i] : scored) results_.push_back(all_[i]);
        selection_ = 0;
    }
    changed();
}

void SearchModel::changed() {
    if (onChange) onChange();
}

}  // namespace brindlow
