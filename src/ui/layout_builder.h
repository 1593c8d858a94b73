// Builds a window's Qt widgets from its rows of the layout table.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>
#include <functional>

#include "controller/window_layout.h"

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
