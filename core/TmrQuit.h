#pragma once
#include "framework/Timer.h"

// The quit timer: armed when the last document in hand is done.
class TmrQuit : public Timer {
 public:
  void Event_Action() override;
};
