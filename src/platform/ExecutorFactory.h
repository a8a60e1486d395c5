#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Executor.h"

namespace brindlow {

// Makes a new serial queue with the given label (move queues, the raise queue).
// Production: thread-backed SerialQueue; tests: ManualExecutor in virtual time.
using ExecutorFactory = std::function<std::shared_ptr<Executor>(const std::string& label)>;

// A factory of thread-backed SerialQueue objects.
ExecutorFactory serialQueueFactory();

}  // namespace brindlow
