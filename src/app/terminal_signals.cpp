#include "app/terminal_signals.h"

#include <poll.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "exec/interpreter.h"

namespace zirn::app {

namespace {

// Signal handlers may touch these only because they are lock-free.
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<exec::Interpreter*>::is_always_lock_free);

std::atomic<bool> interrupt_key{false};
std::atomic<bool> window_resized{false};
std::atomic<exec::Interpreter*> interrupt_target{nullptr};

struct sigaction previous_interrupt_action;
struct sigaction previous_resize_action;

extern "C" void on_interrupt(int)
{
    interrupt_key.store(true, std::memory_order_relaxed);
    if (exec::Interpreter* interp = interrupt_target.load(std::memory_order_relaxed)) interp->request_interrupt();
}

extern "C" void on_resize(int) { window_resized.store(true, std::memory_order_relaxed); }

sigset_t terminal_signal_set()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGWINCH);
    return set;
}

void install(int signal_number, void (*handler)(int), struct sigaction* previous)
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes resume on their own; only the wait for
    // a key returns early (ppoll is never restarted).
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, previous);
}

bool signal_flag_set()
{
    return interrupt_key.load(std::memory_order_relaxed) || window_resized.load(std::memory_order_relaxed);
}

}  // namespace

void block_terminal_signals()
{
    const sigset_t set = terminal_signal_set();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminalSignals::TerminalSignals()
{
    install(SIGINT, on_interrupt, &previous_interrupt_action);
    install(SIGWINCH, on_resize, &previous_resize_action);
    const sigset_t set = terminal_signal_set();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

TerminalSignals::~TerminalSignals()
{
    route_interrupts_to(nullptr);
    sigaction(SIGINT, &previous_interrupt_action, nullptr);
    sigaction(SIGWINCH, &previous_resize_action, nullptr);
}

void route_interrupts_to(exec::Interpreter* interp) { interrupt_target.store(interp, std::memory_order_relaxed); }

bool take_interrupt_key() { return interrupt_key.exchange(false, std::memory_order_relaxed); }

bool take_window_resize() { return window_resized.exchange(false, std::memory_order_relaxed); }

Wake wait_for_key_or_signal(int fd)
{
    // The signals stay blocked between the flag check and the wait; ppoll
    // restores the thread's own mask atomically, so one arriving in between
    // still wakes it.
    const sigset_t set = terminal_signal_set();
    sigset_t own_mask;
    pthread_sigmask(SIG_BLOCK, &set, &own_mask);
    Wake wake = Wake::Signal;
    if (!signal_flag_set()) {
        pollfd input{fd, POLLIN, 0};
        const int ready = ppoll(&input, 1, nullptr, &own_mask);
        // Any failure but a signal is left for the reader to meet.
        if (ready > 0 || (ready < 0 && errno != EINTR)) wake = Wake::Readable;
    }
    pthread_sigmask(SIG_SETMASK, &own_mask, nullptr);
    return wake;
}

}  // namespace zirn::app
