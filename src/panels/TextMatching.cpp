#include "panels/TextMatching.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace brindlow {

namespace {

bool isHorizontalSpace(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

}  // namespace

MatchText::MatchText(std::string_view utf8)
    : text_(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))
                .toLower()
                .normalized(QString::NormalizationForm_C)) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text_);
    for (qsizetype at = 0; at < text_.size();) {
        starts_.push_back(at);
        const qsizetype next = finder.toNextBoundary();
        at = next < 0 ? text_.size() : next;
    }
}

QStringView MatchText::character(int index) const {
    const qsizetype start = starts_[size_t(index)];
    const qsizetype end =
        size_t(index + 1) < starts_.size() ? starts_[size_t(index + 1)] : text_.size();
    return QStringView(text_).mid(start, end - start);
}

int MatchText::characterAt(qsizetype position) const {
    if (position == text_.size()) return characterCount();
    const auto found = std::lower_bound(starts_.begin(), starts_.end(), position);
    return found != starts_.end() && *found == position ? int(found - starts_.begin()) : -1;
}

std::optional<int> MatchText::characterOffsetOf(const MatchText& part) const {
    for (qsizetype from = 0;;) {
        const qsizetype at = text_.indexOf(part.text_, from, Qt::CaseSensitive);
        if (at < 0) return std::nullopt;
        const int first = characterAt(at);
        if (first >= 0 && characterAt(at + part.text_.size()) >= 0) return first;
        from = at + 1;
    }
}

bool MatchText::containsInOrder(const MatchText& part) const {
    int next = 0;
    for (int i = 0; i < characterCount() && next < part.characterCount(); ++i)
        if (character(i) == part.character(next)) ++next;
    return next == part.characterCount();
}

std::string preparedQuery(std::string_view query) {
    const QString lower = QString::fromUtf8(query.data(), qsizetype(query.size())).toLower();
    qsizetype begin = 0;
    qsizetype end = lower.size();
    while (begin < end && isHorizontalSpace(lower[begin])) ++begin;
    while (end > begin && isHorizontalSpace(lower[end - 1])) --end;
    return lower.mid(begin, end - begin).toStdString();
}

}  // namespace brindlow
