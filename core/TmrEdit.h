#pragma once
#include "framework/Timer.h"

// The start-up timer: shows the configuration window when no document has come.
class TmrEdit : public Timer {
 public:
  void Event_Action() override;
};
