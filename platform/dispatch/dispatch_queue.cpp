#include "platform/dispatch/dispatch_queue.h"

#include <future>

namespace quillmere {

void asyncAndWait(DispatchQueue& queue, std::function<void()> work) {
    std::promise<void> done;
    auto finished = done.get_future();
    queue.async([&work, &done] {
        work();
        done.set_value();
    });
    finished.wait();
}

}  // namespace quillmere
