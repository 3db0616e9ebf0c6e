#include "core/Startup.h"
#include "framework/Runtime.h"

int main(int argc, char** argv) {
  return Runtime::FrameworkMain(argc, argv, TessarineStartup);
}
