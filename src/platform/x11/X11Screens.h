#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Executor.h"
#include "platform/Screens.h"

namespace brindlow {

class X11Desktop;

// Screens from the RandR monitors; the primary monitor comes first.
class X11Screens final : public Screens {
  public:
    X11Screens(X11Desktop& desktop, Executor& main);
    ~X11Screens() override;

    std::vector<ScreenInfo> screens() const override;
    ObserverToken addChangeObserver(std::function<void()> handler) override;
    void removeChangeObserver(ObserverToken token) override;

  private:
    X11Desktop& desktop_;
    Executor& main_;
    std::uint64_t subscription_ = 0;
    mutable std::mutex mutex_;
    std::map<ObserverToken, std::shared_ptr<std::function<void()>>> handlers_;
    ObserverToken next_ = 1;
};

}  // namespace brindlow
