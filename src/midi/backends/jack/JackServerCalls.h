#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace moxel::midi {

// The JACK calls that wait for the server's answer (a connection made or
// undone, the client closed) are made one after another on a thread of their
// own, and the caller waits for each answer only so long: a server that is
// stopped or hung holds up neither the window nor the end of the program.
// A call given up on stays on that thread and is made as soon as the server
// answers again, followed by its undo; until then the server counts as not
// answering, and the calls after it are queued without waiting.
class JackServerCalls {
  public:
    using Call = std::function<void()>;

    explicit JackServerCalls(std::chrono::milliseconds limit) : limit_(limit) {}
    // A call still waiting for the server is left to its thread, which ends
    // once it returns; the calls queued after it are dropped.
    ~JackServerCalls();
    JackServerCalls(const JackServerCalls&) = delete;
    JackServerCalls& operator=(const JackServerCalls&) = delete;

    // Queues the call; true once it has returned. Waits at most the limit,
    // and not at all when `wait` is false or an earlier call is unanswered.
    // undo runs after a call that returned only once the caller gave up.
    bool make(Call call, Call undo = {}, bool wait = true);
    // No call is queued or waiting for the server.
    bool answering();

  private:
    struct Queue;

    std::chrono::milliseconds limit_;
    std::shared_ptr<Queue> queue_;
    std::thread thread_;
};

} // namespace moxel::midi
