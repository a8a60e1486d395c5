#include "settings/Loggers.h"

namespace brindlow {

const Logger& settingsLog() {
    static const Logger logger = makeLogger("Settings");
    return logger;
}

const Logger& storageLog() {
    static const Logger logger = makeLogger("Storage");
    return logger;
}

}  // namespace brindlow
