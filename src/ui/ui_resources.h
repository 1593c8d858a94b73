// The window's fonts and pictures, embedded with the Qt resource system.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

// Registers the bundled faces once per process; safe to call again.
void LoadBundledFonts();

// Sizes are points at 96 dots per inch, turned into pixels so the layout does not depend on
// the screen's reported resolution.
int PointsToPixels(int points);
QFont OpenSansFont(int points, bool bold = false);
QFont ArialFont(int points);
QFont TahomaFont(int points);

// Resource paths of the generated pictures at 1x; each also comes drawn at 1.5x and 2x
// (name@1.5x.png, name@2x.png).
inline constexpr const char* kBackgroundPicture = ":/pictures/background.png";
inline constexpr const char* kMessageBackgroundPicture = ":/pictures/message-background.png";
inline constexpr const char* kLogoPicture = ":/pictures/logo.png";
inline constexpr const char* kCheckMarkPicture = ":/pictures/check-mark.png";

// A missing picture gives an empty pixmap, so the window still opens.
QPixmap Picture(const char* path);
// The picture drawn for a display of `scale` device pixels per layout pixel: the coarsest one
// at least that fine (the finest beyond 2x), its device pixel ratio set to the ratio it was
// drawn for.
QPixmap Picture(const char* path, qreal scale);
// The program icon with all its sizes (16 to 128 pixels).
QIcon ProgramIcon();
