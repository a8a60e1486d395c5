#pragma once

#include <QWidget>
#include <functional>

#include "panels/SearchModel.h"
#include "platform/Image.h"

class QLineEdit;
class QScrollArea;

namespace brindlow {

class SearchResultsList;

// The search panel's content: a search field over the scrolling list of matching windows. The
// field writes the query into the model; the list follows the model. Main thread.
class SearchView final : public QWidget {
  public:
    using IconSource = std::function<Image(std::int32_t pid)>;
    static constexpr int kCornerRadius = 14;

    SearchView(SearchModel& model, IconSource icons, std::function<void(int)> onChoose,
               QWidget* parent = nullptr);

    // Takes the model's current state (the panel calls it after every model change).
    void modelChanged();
    QLineEdit* field() const { return field_; }
    SearchResultsList* list() const { return list_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    SearchModel& model_;
    QLineEdit* field_;
    QScrollArea* scroll_;
    SearchResultsList* list_;
};

// The rows of the search results, drawn by hand. A click chooses a row at once.
class SearchResultsList final : public QWidget {
  public:
    static constexpr int kRowHeight = 44;
    static constexpr int kRowSpacing = 2;
    static constexpr int kPadding = 8;

    SearchResultsList(SearchModel& model, SearchView::IconSource icons,
                      std::function<void(int)> onChoose, QWidget* parent);

    // The row rectangle of result `index`.
    QRect rowRect(int index) const;
    void relayout();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    SearchModel& model_;
    SearchView::IconSource icons_;
    std::function<void(int)> onChoose_;
};

}  // namespace brindlow
