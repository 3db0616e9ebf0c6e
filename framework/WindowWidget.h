#pragma once
// WindowWidget: the top-level Qt widget of a Window. It turns the close box, Return/Escape and
// hiding into calls on its Window, and tells it the content area's size.
#include <QWidget>

class Window;

class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(Window* window);
  // The Window is going away: no more calls into it.
  void Detach() { fWindow = nullptr; }
  // Every way of showing the window passes here; the Window then makes what showing needs.
  void setVisible(bool visible) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Window* fWindow;
};
