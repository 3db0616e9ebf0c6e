#pragma once
#include <functional>
#include <string>

#include "framework/RectControl.h"

// StaticText: a label. A CR in the text breaks the line when Multiline is on. The mouse events
// are delivered when set: MouseDown returns whether the label wants the matching MouseUp, which
// then comes wherever the button is released.
class StaticText : public RectControl {
 public:
  StaticText(Window* window, std::string name);

  std::string Text() const { return fText; }
  void SetText(const std::string& text);
  Color TextColor() const { return fTextColor; }
  void SetTextColor(Color color);
  bool Multiline() const { return fMultiline; }
  void SetMultiline(bool multiline);
  int TextAlign() const { return fTextAlign; }
  void SetTextAlign(int align);  // 0 left, 1 centre, 2 right

  std::function<bool(int x, int y)> MouseDown;
  std::function<void(int x, int y)> MouseUp;
  std::function<void()> MouseEnter;
  std::function<void()> MouseExit;

 protected:
  void ApplyToView() override;
  bool WantsMouseDown() const override { return static_cast<bool>(MouseDown); }
  bool ViewMouseDown(int x, int y) override { return MouseDown && MouseDown(x, y); }
  void ViewMouseUp(int x, int y) override {
    if (MouseUp) MouseUp(x, y);
  }
  void ViewMouseEnter() override {
    if (MouseEnter) MouseEnter();
  }
  void ViewMouseExit() override {
    if (MouseExit) MouseExit();
  }

 private:
  std::string fText;
  Color fTextColor = RGB(0, 0, 0);
  bool fMultiline = false;
  int fTextAlign = 0;
};
