#pragma once

#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "panels/ShortcutGuide.h"

namespace brindlow {

// Sections of the shortcut guide as a two-column grid: the key text (or "Not set") beside each
// action, under a header per section. Plain text throughout.
class ShortcutGridView final : public QWidget {
  public:
    // On a dark panel the texts are light and every action stays on one line; in an ordinary
    // window they take the window's colours and wrap to the width the grid is given.
    ShortcutGridView(const std::vector<ShortcutGroup>& groups,
                     const std::map<std::string, std::string>& keys, bool onDarkPanel,
                     QWidget* parent = nullptr);
};

}  // namespace brindlow
