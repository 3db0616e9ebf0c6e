#include "framework/Application.h"

#include <filesystem>
#include <system_error>

#include "framework/Runtime.h"

namespace {
std::unique_ptr<Application>& Registered() {
  static std::unique_ptr<Application> app;
  return app;
}
}  // namespace

Application::Application() = default;
Application::~Application() = default;

void Application::Quit(int exitCode) { Runtime::RequestQuit(exitCode); }

FolderItemPtr Application::ExecutableFile() const {
  std::error_code error;
  const std::string path = std::filesystem::canonical("/proc/self/exe", error).string();
  if (error) return nullptr;
  return std::make_shared<FolderItem>(path);
}

FolderItemPtr Application::ResourcesFolder() const {
  FolderItemPtr executable = ExecutableFile();
  if (!executable) return nullptr;
  std::filesystem::path resources =
      std::filesystem::path(executable->NativePath()).parent_path().parent_path() / "Resources";
  std::error_code error;
  if (!std::filesystem::is_directory(resources, error)) return nullptr;
  return std::make_shared<FolderItem>(resources.string());
}

Application* Application::Current() { return Registered().get(); }

void Application::Register(std::unique_ptr<Application> app) {
  // The old object goes only after the new one is in place, so that its destructor sees the new one.
  std::unique_ptr<Application> previous = std::move(Registered());
  Registered() = std::move(app);
  previous.reset();
}
