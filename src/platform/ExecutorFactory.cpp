#include "platform/ExecutorFactory.h"

#include "platform/SerialQueue.h"

namespace brindlow {

ExecutorFactory serialQueueFactory() {
    return [](const std::string& label) -> std::shared_ptr<Executor> {
        return std::make_shared<SerialQueue>(label);
    };
}

}  // namespace brindlow
