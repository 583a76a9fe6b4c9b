// Ctrl-C, Ctrl-Z and window-size changes for a session at a terminal.
//
// The handlers only store into atomic flags: SIGINT asks the attached
// interpreter to stop the running line (it stops at its next statement or
// loop iteration) and marks the key as seen for the line editor; SIGWINCH
// marks the window as resized. The line editor waits for keys with
// wait_for_key_or_signal(), which cannot miss a signal that lands just
// before it starts waiting.
#pragma once

namespace zirn::host {
class ConsoleClient;
}

namespace zirn::app {

// Blocks SIGINT, SIGWINCH and SIGTSTP in the calling thread. Called on the main thread
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

// While it lives (a line being edited, with the terminal in the line
// editor's raw mode), every signal that would end the process by default
// (SIGTERM, Ctrl-\, a hang-up, an abort...) first gives the terminal back
// the state it had when this was made, then ends the process as it would
// have. Signals that are ignored or handled elsewhere are left alone, and
// the previous actions come back afterwards. Ctrl-Z (SIGTSTP, when its
// default action is in force) likewise gives the terminal back before the
// process stops, and puts the editor's mode back when it is continued.
class TerminalRestoredOnExit {
public:
    explicit TerminalRestoredOnExit(int fd);
    ~TerminalRestoredOnExit();
    TerminalRestoredOnExit(const TerminalRestoredOnExit&) = delete;
    TerminalRestoredOnExit& operator=(const TerminalRestoredOnExit&) = delete;
};

// The program that Ctrl-C interrupts; null for none.
void route_interrupts_to(host::ConsoleClient* client);

// True once per Ctrl-C since the last call.
bool take_interrupt_key();
// True once per window-size change since the last call.
bool take_window_resize();
// True once per continuation (`fg`) after Ctrl-Z stopped a line being edited.
bool take_resume_after_stop();

enum class Wake { Readable, Signal };

// Waits until `fd` has input or a handled signal arrived (its flag is then
// set). A signal that came before the call returns at once.
Wake wait_for_key_or_signal(int fd);

}  // namespace zirn::app
