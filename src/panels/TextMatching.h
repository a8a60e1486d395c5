#pragma once

#include <QString>
#include <optional>
#include <string_view>
#include <vector>

namespace brindlow {

// Text as the search compares it: lower-cased and in composed normal form, so that an accented
// letter typed one way matches the same letter stored the other way, with its grapheme clusters
// (the characters a reader counts) marked.
class MatchText {
  public:
    MatchText() = default;
    explicit MatchText(std::string_view utf8);

    bool isEmpty() const { return text_.isEmpty(); }
    const QString& text() const { return text_; }
    int characterCount() const { return int(starts_.size()); }

    // Characters before the first occurrence of `part` that starts and ends on character
    // boundaries; nothing when there is none.
    std::optional<int> characterOffsetOf(const MatchText& part) const;
    // Whether every character of `part` occurs here in the same order.
    bool containsInOrder(const MatchText& part) const;

  private:
    QStringView character(int index) const;
    int characterAt(qsizetype position) const;  // -1 when not on a boundary

    QString text_;
    std::vector<qsizetype> starts_;  // where each character starts, in UTF-16 units
};

// Lower-cased, then without horizontal white space at either end (line breaks stay).
std::string preparedQuery(std::string_view query);

}  // namespace brindlow
