#pragma once
// WindowWidget: the top-level Qt widget of a window's view. It turns the close box, Return/Escape,
// showing, hiding and minimising into calls on its view, and tells it the content area's size.
#include <QWidget>

class QtWindowView;

class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(QtWindowView* view);
  // The view is going away: no more calls into it.
  void Detach() { fView = nullptr; }
  // Every way of showing the window passes here; the view then makes what showing needs.
  void setVisible(bool visible) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QtWindowView* fView;
};
