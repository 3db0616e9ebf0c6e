#pragma once
#include <memory>

class QTimer;

// Timer: Mode 0 is off, 1 fires once, 2 fires repeatedly, every Period milliseconds. Setting
// Mode or Period while the timer is on starts its period anew. Event_Action runs on the event
// thread, also inside a modal window's nested loop.
class Timer {
 public:
  Timer();
  virtual ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  int Mode() const { return fMode; }
  void SetMode(int mode);
  int Period() const { return fPeriod; }
  void SetPeriod(int milliseconds);

  virtual void Event_Action() {}

 private:
  void Restart();
  std::unique_ptr<QTimer> fTimer;
  int fMode = 0;
  int fPeriod = 1000;
};
