#include "app/terminal_signals.h"

#include <poll.h>
#include <pthread.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "host/console.h"

namespace zirn::app {

namespace {

// Signal handlers may touch these only because they are lock-free.
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<host::ConsoleClient*>::is_always_lock_free);

std::atomic<bool> interrupt_key{false};
std::atomic<bool> window_resized{false};
std::atomic<bool> resumed_after_stop{false};
std::atomic<host::ConsoleClient*> interrupt_target{nullptr};

struct sigaction previous_interrupt_action;
struct sigaction previous_resize_action;

extern "C" void on_interrupt(int)
{
    interrupt_key.store(true, std::memory_order_relaxed);
    if (host::ConsoleClient* client = interrupt_target.load(std::memory_order_relaxed)) client->request_interrupt();
}

extern "C" void on_resize(int) { window_resized.store(true, std::memory_order_relaxed); }

sigset_t terminal_signal_set()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGWINCH);
    sigaddset(&set, SIGTSTP);
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
    return interrupt_key.load(std::memory_order_relaxed) || window_resized.load(std::memory_order_relaxed) ||
           resumed_after_stop.load(std::memory_order_relaxed);
}

// The terminal state to give back when a signal ends the process while a
// line is being edited.
struct termios saved_terminal;
std::atomic<int> saved_terminal_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Signals whose default action ends the process. SIGINT is the session's
// own (Ctrl-C) and SIGKILL and SIGSTOP cannot be caught.
constexpr int ending_signals[] = {SIGHUP,  SIGQUIT, SIGTERM, SIGALRM, SIGUSR1,   SIGUSR2, SIGABRT,
                                  SIGPROF, SIGXCPU, SIGXFSZ, SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,
                                  SIGSYS,  SIGTRAP, SIGVTALRM, SIGPOLL};
constexpr std::size_t ending_count = sizeof ending_signals / sizeof ending_signals[0];
struct sigaction previous_ending_actions[ending_count];
bool ending_replaced[ending_count];

extern "C" void restore_terminal_and_end(int signal_number)
{
    // tcsetattr and sigaction are async-signal-safe.
    const int saved_errno = errno;
    if (const int fd = saved_terminal_fd.load(); fd >= 0) ::tcsetattr(fd, TCSANOW, &saved_terminal);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal_number, &fallback, nullptr);
    // The signal stays blocked until the handler returns, then ends the
    // process as it would have without the handler.
    ::raise(signal_number);
    errno = saved_errno;
}

struct sigaction previous_stop_action;
bool stop_replaced = false;

void set_action(int signal_number, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
}

extern "C" void suspend_with_terminal_restored(int signal_number)
{
    // Ctrl-Z while a line is edited: the shell gets the terminal back as it
    // gave it, the process stops, and once it is continued (`fg`) the
    // editor's mode comes back and the line is drawn again. Everything
    // called here is async-signal-safe.
    const int saved_errno = errno;
    const int fd = saved_terminal_fd.load();
    struct termios editing {};
    const bool editing_known = fd >= 0 && ::tcgetattr(fd, &editing) == 0;
    if (fd >= 0) ::tcsetattr(fd, TCSANOW, &saved_terminal);
    set_action(signal_number, SIG_DFL);
    sigset_t stop_only;
    sigemptyset(&stop_only);
    sigaddset(&stop_only, signal_number);
    ::sigprocmask(SIG_UNBLOCK, &stop_only, nullptr);
    ::raise(signal_number);
    // Continued: the mask of before the handler comes back when it returns.
    set_action(signal_number, suspend_with_terminal_restored);
    if (editing_known) ::tcsetattr(fd, TCSANOW, &editing);
    resumed_after_stop.store(true, std::memory_order_relaxed);
    errno = saved_errno;
}

// Takes over Ctrl-Z (SIGTSTP) while its default action, stopping with the
// terminal left raw, is in force.
void replace_stop_action()
{
    stop_replaced = false;
    if (::sigaction(SIGTSTP, nullptr, &previous_stop_action) != 0) return;
    if (previous_stop_action.sa_handler != SIG_DFL || (previous_stop_action.sa_flags & SA_SIGINFO) != 0) return;
    struct sigaction action {};
    action.sa_handler = suspend_with_terminal_restored;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    stop_replaced = ::sigaction(SIGTSTP, &action, nullptr) == 0;
}

}  // namespace

TerminalRestoredOnExit::TerminalRestoredOnExit(int fd)
{
    if (::tcgetattr(fd, &saved_terminal) == 0) saved_terminal_fd.store(fd);
    replace_stop_action();
    for (std::size_t i = 0; i < ending_count; ++i) {
        ending_replaced[i] = false;
        if (::sigaction(ending_signals[i], nullptr, &previous_ending_actions[i]) != 0) continue;
        const struct sigaction& previous = previous_ending_actions[i];
        if (previous.sa_handler != SIG_DFL || (previous.sa_flags & SA_SIGINFO) != 0) continue;
        struct sigaction action {};
        action.sa_handler = restore_terminal_and_end;
        sigemptyset(&action.sa_mask);
        ending_replaced[i] = ::sigaction(ending_signals[i], &action, nullptr) == 0;
    }
}

TerminalRestoredOnExit::~TerminalRestoredOnExit()
{
    for (std::size_t i = 0; i < ending_count; ++i) {
        if (ending_replaced[i]) ::sigaction(ending_signals[i], &previous_ending_actions[i], nullptr);
    }
    if (stop_replaced) ::sigaction(SIGTSTP, &previous_stop_action, nullptr);
    saved_terminal_fd.store(-1);
}

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

void route_interrupts_to(host::ConsoleClient* client) { interrupt_target.store(client, std::memory_order_relaxed); }

bool take_interrupt_key() { return interrupt_key.exchange(false, std::memory_order_relaxed); }

bool take_window_resize() { return window_resized.exchange(false, std::memory_order_relaxed); }

bool take_resume_after_stop() { return resumed_after_stop.exchange(false, std::memory_order_relaxed); }

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
