#pragma once

#include "vornsdk/interfaces.h"
#include "vornsdk/notify.h"

namespace tolvir {

// Owns the component's notification channel.
class Notifier : public VORNSDK::NotifierInterface {
public:
    VORNSDK::Notify& notify() override { return notify_; }

private:
    VORNSDK::Notify notify_;
};

} // namespace tolvir
