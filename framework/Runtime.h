#pragma once
// Runtime: the process's framework. FrameworkMain is the program's whole main routine: it hands the
// documents to a running instance when there is one, else initialises, runs the start-up sequence,
// delivers Open and the documents, and runs the event loop until Quit.
#include <functional>
#include <string>
#include <vector>

namespace Runtime {

// The program's main: argv[1..] are documents. startup creates and registers the application object.
int FrameworkMain(int argc, char** argv, const std::function<void()>& startup);

// For tests, in one process: Initialize makes the window toolkit ready once; Run runs startup, delivers
// Open and the documents (absolute paths) and runs the event loop until Quit, returning the exit
// code. No hand-over socket is involved.
void Initialize(int argc, char** argv);
int Run(const std::function<void()>& startup, const std::vector<std::string>& documents);
// Hands a document to the running application as a later start would; delivered by the event
// loop, nested loops included, and not once the run quits.
void PostOpenDocument(const std::string& path);
// Runs the event loop for the given time (tests).
void ProcessEvents(int milliseconds);
bool IsQuitting();
// Tells every modal loop to end (used by Application::Quit).
void RequestQuit(int exitCode);
// Runs call on the event loop's next turn.
void Post(std::function<void()> call);
// The program's name as it was started (argv[0]).
const std::string& ProgramName();
// Ends the run after a failure that the program did not handle (UnhandledException): as a quit,
// but nothing more is delivered to the program, and the run's exit code stays exitCode whatever
// the program asks for afterwards.
void EndAfterFailure(int exitCode);

}  // namespace Runtime
