// Ctrl-C and window-size changes for a session at a terminal.
//
// The handlers only store into atomic flags: SIGINT asks the attached
// interpreter to stop the running line (it stops at its next statement or
// loop iteration) and marks the key as seen for the line editor; SIGWINCH
// marks the window as resized. The line editor waits for keys with
// wait_for_key_or_signal(), which cannot miss a signal that lands just
// before it starts waiting.
#pragma once

namespace zirn::exec {
class Interpreter;
}

namespace zirn::app {

// Blocks SIGINT and SIGWINCH in the calling thread. Called on the main thread
// before the interpreter thread starts, so these signals reach the thread
// that reads the terminal.
void block_terminal_signals();

// Installs the handlers and unblocks the signals in the calling thread for as
// long as it lives; the previous handlers come back afterwards.
class TerminalSignals {
public:
    TerminalSignals();
    ~TerminalSignals();
    TerminalSignals(const TerminalSignals&) = delete;
    TerminalSignals& operator=(const TerminalSignals&) = delete;
};

// The interpreter that Ctrl-C interrupts; null for none.
void route_interrupts_to(exec::Interpreter* interp);

// True once per Ctrl-C since the last call.
bool take_interrupt_key();
// True once per window-size change since the last call.
bool take_window_resize();

enum class Wake { Readable, Signal };

// Waits until `fd` has input or a handled signal arrived (its flag is then
// set). A signal that came before the call returns at once.
Wake wait_for_key_or_signal(int fd);

}  // namespace zirn::app
