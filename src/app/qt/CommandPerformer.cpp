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
            if (panels_.search) panels_.search();
            return;
        case Command::Kind::overview:
            if (panels_.overview) panels_.overview();
            return;
        case Command::Kind::showShortcuts:
            if (panels_.showShortcuts) panels_.showShortcuts();
            return;
        default:
            if (toStripController_) toStripController_(command);
            return;
    }
}

}  // namespace brindlow
