#include "process/queued_notify.h"

#include <utility>
#include <vector>

void ManualEventQueue::Post(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(std::move(work));
}

int ManualEventQueue::DispatchPending() {
    int ran = 0;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty()) {
                return ran;
            }
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
        ++ran;
    }
}

void LQueuedNotifyDataSender::PostQueuedNotify(std::uint32_t code, const void* data,
                                               std::uint32_t size) const {
    LQueuedNotifyDataHandler* handler = handler_;
    if (handler == nullptr || handler->queue_ == nullptr) {
        return;
    }
    std::shared_ptr<std::vector<unsigned char>> copy;
    if (data != nullptr) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        copy = std::make_shared<std::vector<unsigned char>>(bytes, bytes + size);
    }
    std::weak_ptr<char> alive = handler->alive_;
    handler->queue_->Post([handler, alive, code, copy, size] {
        if (alive.expired()) {
            return;
        }
        handler->OnQueuedNotify(code, copy ? copy->data() : nullptr, size);
    });
}

void LThreadQueuedNotify::PostThreadNotify() {
    if (queue_ == nullptr) {
        return;
    }
    std::weak_ptr<char> alive = alive_;
    queue_->Post([this, alive] {
        if (!alive.expired()) {
            OnThreadNotify();
        }
    });
}
