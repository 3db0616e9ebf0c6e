// A minimal program on the framework for the framework's cross-process tests. It appends what it
// is given to the file named by PEER_LOG, one line each: "open <pid>" and "doc <pid> <path>". A
// document named "quit" ends the run with exit code 3, one named "throw" throws from its event;
// after PEER_LIFETIME milliseconds (default
// 20000) it ends by itself with exit code 9. With PEER_PRINT_PATHS set it prints its executable
// and resources folder ("none" when there is none) and exits.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "framework/Application.h"
#include "framework/Runtime.h"
#include "framework/Timer.h"

namespace {

void Append(const std::string& line) {
  const char* log = std::getenv("PEER_LOG");
  if (log == nullptr) return;
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const std::string text = line + "\n";
  (void)!write(fd, text.data(), text.size());
  close(fd);
}

class LifetimeTimer : public Timer {
 public:
  void Event_Action() override { Application::Current()->Quit(9); }
};

class PeerApp : public Application {
 public:
  void Event_Open() override {
    Append("open " + std::to_string(getpid()));
    const char* lifetime = std::getenv("PEER_LIFETIME");
    fLifetime.SetPeriod(lifetime != nullptr ? std::atoi(lifetime) : 20000);
    fLifetime.SetMode(1);
  }
  void Event_OpenDocument(FolderItemPtr item) override {
    Append("doc " + std::to_string(getpid()) + " " + item->NativePath());
    if (item->Name() == "quit") Quit(3);
    if (item->Name() == "throw") throw std::runtime_error("thrown by the peer");
  }

 private:
  LifetimeTimer fLifetime;
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("PEER_PRINT_PATHS") != nullptr) {
    Application app;
    FolderItemPtr executable = app.ExecutableFile();
    FolderItemPtr resources = app.ResourcesFolder();
    std::printf("%s\n%s\n", executable ? executable->NativePath().c_str() : "none",
                resources ? resources->NativePath().c_str() : "none");
    return 0;
  }
  return Runtime::FrameworkMain(argc, argv, [] { Application::Register(std::make_unique<PeerApp>()); });
}
