// Builds a window's Qt widgets from its rows of the layout table.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>
#include <QLabel>
#include <functional>
#include <map>

#include "controller/layout_flow.h"
#include "controller/window_layout.h"

// The room a push button keeps on each side of its caption: its frame and margin.
inline constexpr int kButtonMargin = 4;

QFont QtFont(const LayoutFont& font);
QRect QtRect(const LayoutBox& box);

// Sets the window's own name, caption, client size and font.
void ApplyWindowLayout(QWidget* window, LayoutWindow which, const MessageCatalogue& texts);

// Creates every component of `which` inside `window`, parents first and each parent's children
// from back to front, each at its place with its text, font, hint and layout visibility, the
// texts in the language of `texts`; `created` is told of each component as it is made.
using ComponentCreated = std::function<void(const ComponentLayout& row, QWidget* widget)>;
void BuildFromLayout(QWidget* window, LayoutWindow which, const MessageCatalogue& texts,
                     const ComponentCreated& created);

// Keeps a window's components where the flow puts them for the texts they show now, measured
// in their own fonts: told of each component as it is made, and of each change of a text or of
// what is shown.
class WidgetFlow : public TextMeasure {
 public:
  void Add(const ComponentLayout& row, QWidget* widget) { widgets_[&row] = widget; }
  // Places the children of the container that holds `row` anew.
  void Reflow(const ComponentLayout& row);
  void ReflowAll();
  // Makes `window` as much taller than the table's as its fullest page needs in its language
  // (never shorter; English keeps the table's size) and flows it for that height. Once, when
  // the window is built: a window that changed its size during a run would be worse.
  void GrowToFit(QWidget* window, LayoutWindow which);
  // Makes `window` as much taller than the table's as its labels' texts need now (a window that
  // shows one text at a time; never shorter than the table's) and flows it for that height.
  void GrowForShownTexts(QWidget* window, LayoutWindow which);
  int GrownBy() const { return grown_by_; }
  // The last flow of each container, for the tests that texts fit.
  const ContainerFlow* FlowOf(const ComponentLayout& container) const;

  int OneLineWidth(const ComponentLayout& row, FlowText text) const override;
  int HeightAt(const ComponentLayout& row, int width, FlowText text) const override;
  bool IsShown(const ComponentLayout& row) const override;

 private:
  void FlowContainerOf(const ComponentLayout& container);
  void GrowBy(QWidget* window, LayoutWindow which, int grown_by);
  QString TextOf(const ComponentLayout& row, FlowText text) const;
  // A label like the component's, for measuring any text without touching the component.
  QLabel& Scratch(const ComponentLayout& row, const QString& text, bool wraps) const;

  std::map<const ComponentLayout*, QWidget*> widgets_;
  std::map<const ComponentLayout*, ContainerFlow> flows_;
  mutable QLabel scratch_;
  int grown_by_ = 0;
};
