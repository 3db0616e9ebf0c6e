#pragma once
// UnhandledException: the framework's handler of an exception that escapes the program's code in
// one of the framework's calls into it: the start-up sequence, Open, a document, a timer's action,
// a control's or a menu's event, a queued call. It writes "Error:" and the exception's text to the
// debug log and ends the run in order: every loop ends, nothing more is delivered to the program,
// and the run ends with kExitCode whatever the program asks for afterwards. Documents already
// launched are other processes and stay as they are.
//
// It knows no toolkit: the framework's dispatchers (the Qt application's event delivery, the
// document delivery, the start-up call) hand it what they catch, and Guard does so for any other
// entry into the program's code.
#include <exception>
#include <functional>

namespace UnhandledException {

constexpr int kExitCode = 70;  // EX_SOFTWARE of <sysexits.h>: an internal error

void Handle(std::exception_ptr exception);

// Calls code of the program and hands whatever it throws to Handle; false when it threw.
bool Guard(const std::function<void()>& call);

}  // namespace UnhandledException
