#pragma once
// QtControlView: a control's view on Qt, one widget of the kind's Qt class. The widget belongs to
// the window's widget tree, which may delete it first (a group box taking its children along);
// the view then does nothing more.
#include <QFont>
#include <QPointer>
#include <QWidget>

#include "framework/Toolkit.h"

class QtControlView : public toolkit::ControlView {
 public:
  // content: the window's content area, the widget's first parent; none for a control alone.
  QtControlView(toolkit::ControlKind kind, toolkit::ControlClient& client, QWidget* content);
  ~QtControlView() override;

  void* NativeHandle() override { return fWidget.data(); }
  void SetParent(ControlView* parent) override;
  void SetGeometry(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetTabStop(bool tabStop) override;
  void SetHelpTag(const std::string& helpTag) override;
  void SetTextStyle(const toolkit::TextStyle& style) override;
  void SetText(const std::string& text) override;
  void SetTextColor(Color color) override;
  void SetMultiline(bool multiline) override;
  void SetTextAlign(int align) override;
  void SetValue(bool value) override;
  void SetDefault(bool isDefault) override;
  void SetPicture(PicturePtr picture) override;

 private:
  void RenderLabel();

  toolkit::ControlKind fKind;
  QPointer<QWidget> fWidget;
  QPointer<QWidget> fContent;
  Qt::FocusPolicy fFocusPolicy;  // the widget's own, for TabStop
  QFont fFont;                   // the widget's own, under the design's text style
  std::string fText;
  bool fMultiline = false;
};
