#pragma once

namespace moxel {

// SIGTERM, SIGINT and SIGHUP as bytes on a descriptor the UI thread's loop
// watches, so a service manager, a logout, Ctrl+C or the closing of the
// terminal Moxel was started from end it in order, as a close request. A
// hangup or an interrupt that was ignored when Moxel started (nohup) stays
// ignored, and a write to a broken pipe no longer ends the program. POSIX
// systems.
//
// The signals are never blocked: libjack saves the signal mask it finds at
// its first client open and puts it back on every later open and close, so a
// mask held during start-up would outlive it. Instead the handler is
// installed first thing and only writes a byte into a socket pair; a signal
// that comes before the loop watches waits there.
class EndingSignals {
  public:
    // Call first thing in main(), before any thread is started.
    static void installHandlers();

    // Installs the handlers if main() did not; puts back what the signals
    // did before when it goes.
    EndingSignals();
    ~EndingSignals();
    EndingSignals(const EndingSignals&) = delete;
    EndingSignals& operator=(const EndingSignals&) = delete;

    // Readable once a signal came; -1 when the system gave no socket pair.
    int descriptor() const;
    // Reads what the signals left there.
    void take();
};

} // namespace moxel
