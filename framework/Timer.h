#pragma once
// Timer: Mode 0 is off, 1 fires once, 2 fires repeatedly, every Period milliseconds. Setting
// Mode or Period while the timer is on starts its period anew. Event_Action runs on the event
// thread, also inside a modal window's nested loop: the timer is a source of the main thread's
// GLib context, which every loop of the program runs, the window toolkit's included.
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
  static int Fire(void* timer);
  void Stop();
  void Restart();
  unsigned int fSource = 0;  // the armed GLib source, 0 when off
  int fMode = 0;
  int fPeriod = 1000;
};
