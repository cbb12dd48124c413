#include "midi/backends/jack/JackServerCalls.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace moxel::midi {

namespace {

struct Job {
    JackServerCalls::Call call;
    JackServerCalls::Call undo;
    bool returned = false;
    bool givenUp = false;
};

} // namespace

// Shared with the calls' thread, which may outlive the JackServerCalls.
struct JackServerCalls::Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Job>> jobs; // the first one is being made
    bool stop = false;

    void run() {
        pthread_setname_np(pthread_self(), "moxel-jack-call");
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || !jobs.empty(); });
            if (jobs.empty()) {
                return;
            }
            const std::shared_ptr<Job> job = jobs.front();
            lock.unlock();
            job->call();
            lock.lock();
            if (job->givenUp && job->undo) {
                lock.unlock();
                job->undo();
                lock.lock();
            }
            job->returned = true;
            if (!jobs.empty()) {
                jobs.pop_front();
            }
            changed.notify_all();
        }
    }
};

JackServerCalls::~JackServerCalls() {
    if (!queue_) {
        return;
    }
    bool busy = false;
    {
        const std::lock_guard lock(queue_->mutex);
        queue_->stop = true;
        busy = !queue_->jobs.empty();
        while (queue_->jobs.size() > 1) {
            queue_->jobs.pop_back();
        }
    }
    queue_->changed.notify_all();
    if (busy) {
        thread_.detach(); // it holds the queue, and ends after the call
    } else {
        thread_.join();
    }
}

bool JackServerCalls::make(Call call, Call undo, bool wait) {
    if (!queue_) {
        queue_ = std::make_shared<Queue>();
        thread_ = std::thread([queue = queue_] { queue->run(); });
    }
    auto job = std::make_shared<Job>(Job{std::move(call), std::move(undo)});
    std::unique_lock lock(queue_->mutex);
    const bool waits = wait && queue_->jobs.empty();
    queue_->jobs.push_back(job);
    queue_->changed.notify_all();
    if (waits && queue_->changed.wait_for(lock, limit_, [&] { return job->returned; })) {
        return true;
    }
    job->givenUp = true;
    return false;
}

bool JackServerCalls::answering() {
    if (!queue_) {
        return true;
    }
    const std::lock_guard lock(queue_->mutex);
    return queue_->jobs.empty();
}

} // namespace moxel::midi
