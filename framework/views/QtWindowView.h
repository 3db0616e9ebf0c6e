#pragma once
// QtWindowView: a window's view on Qt: the top-level widget, the content area in it, and the
// window's own menu bar above that, made at the first showing.
#include <memory>

#include "framework/Toolkit.h"

class QMenuBar;
class QWidget;
class WindowWidget;

class QtWindowView : public toolkit::WindowView {
 public:
  explicit QtWindowView(toolkit::WindowClient& client);
  ~QtWindowView() override;

  void* NativeHandle() override;
  void* ContentHandle() override;
  void SetTitle(const std::string& title) override;
  void SetFlags(const toolkit::WindowFlags& flags) override;
  void SetSize(const toolkit::SizeLimits& size, bool resizeable) override;
  void SetMenuBar(MenuBar* menuBar) override;
  void SetModal(bool modal) override;
  bool IsModal() const override;
  bool IsShown() const override;
  void Show() override;
  void Hide() override;
  void SetTabOrder(const std::vector<toolkit::ControlView*>& order) override;
  std::unique_ptr<toolkit::ControlView> CreateControl(toolkit::ControlKind kind,
                                                      toolkit::ControlClient& client) override;

  // From the widget.
  toolkit::WindowClient& Client() { return fClient; }
  void AboutToShow();
  void Hidden();
  void Minimized();

 private:
  void ApplySize();

  toolkit::WindowClient& fClient;
  std::unique_ptr<WindowWidget> fWidget;
  QWidget* fContent = nullptr;
  MenuBar* fMenuBar = nullptr;
  QMenuBar* fMenuBarView = nullptr;  // made when the window is first shown
  bool fPrepared = false;
  bool fQuietHide = false;  // hiding for new flags or modality, which ends no modal run
  toolkit::WindowFlags fFlags;
  toolkit::SizeLimits fSize;
  bool fResizeable = true;
};
