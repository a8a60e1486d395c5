#include "app/qt/CommandPerformer.h"

namespace brindlow {

CommandPerformer::CommandPerformer(SettingsStore& settings, StripCommandSink toStripController)
    : settings_(settings), toStripController_(std::move(toStripController)) {}

void CommandPerformer::perform(const Command& command) {
    switch (command.kind()) {
        case Command::Kind::toggleFocusBorder:
            // The store writes the file and tells its listeners (the strip
            // controller among them) because the value changed.
            settings_.update([](AppSettings& s) { s.focusBorder = !s.focusBorder; });
            return;
        case Command::Kind::toggleDimInactive:
            settings_.update([](AppSettings& s) { s.dimInactive = !s.dimInactive; });
            return;
        case Command::Kind::search:
            // Construction point: the window search panel is toggled here with the stored snapshot.
            return;
        case Command::Kind::overview:
            // Construction point: the overview panel is toggled here with the stored snapshot.
            return;
        case Command::Kind::showShortcuts:
            // Construction point: the shortcut sheet is toggled here on the active display.
            return;
        default:
            if (toStripController_) toStripController_(command);
            return;
    }
}

}  // namespace brindlow
