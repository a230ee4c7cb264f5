// What a window looks like around its content, by window definition: the
// title bar with close and zoom boxes, dialog borders, the shadow, and
// where each part of it is for hit-testing. All rectangles are global.
//
// Document windows (definitions 0, 4, 8, 12, 16 and any unknown one) have a
// one-pixel border, a title bar of kTitleBarHeight rows above the content
// (18 rows and the line under them) and a one-pixel shadow to the right and
// below; definition 5 is a document window without boxes. Definition 1 has a
// modal dialog's double border, 2 a plain border, 3 a border with a
// two-pixel shadow. Only the active window shows stripes, boxes and a black
// title; an inactive one shows its title in grey.
#pragma once

#include "platform/Geometry.h"
#include "platform/Port.h"

#include <span>

namespace WindowFrame {

inline constexpr int kDocumentProc = 0;
inline constexpr int kDBoxProc = 1;
inline constexpr int kPlainDBoxProc = 2;
inline constexpr int kAltDBoxProc = 3;
inline constexpr int kNoGrowDocProc = 4;
inline constexpr int kMovableDBoxProc = 5;
inline constexpr int kZoomDocProc = 8;
inline constexpr int kZoomNoGrow = 12;
inline constexpr int kRDocProc = 16;

inline constexpr int kTitleBarHeight = 19;
// The grow box is the content's bottom-right square of this size.
inline constexpr int kGrowBoxSize = 15;

bool HasTitleBar(int procID);
bool HasGrowBox(int procID);
bool HasZoomBox(int procID);
bool HasCloseBox(int procID, bool goAwayFlag);

enum class Part { kNone, kContent, kDrag, kGrow, kClose, kZoom };

struct Frame {
  int procID = kDocumentProc;
  bool goAwayFlag = false;
  bool hilited = false;
  Geometry::Rect content;
  std::span<const char> title;
  Part pressed = Part::kNone;  // a close or zoom box held down
};

// Everything the window draws on the screen, shadow included.
Geometry::Rect Structure(const Frame& f);
// The inside of the title bar, and its boxes.
Geometry::Rect TitleBar(const Geometry::Rect& content);
Geometry::Rect CloseBox(const Geometry::Rect& content);
Geometry::Rect ZoomBox(const Geometry::Rect& content);
Geometry::Rect GrowBox(const Geometry::Rect& content);

// The part under a global point. Boxes and the grow box count only in the
// active window (elsewhere they are title bar or content); borders of
// windows without a title bar count as content.
Part Hit(const Frame& f, Geometry::Point p);

// Draws the frame into a port whose local coordinates are global ones (the
// screen); the content itself is not touched. The current port is kept.
void Draw(Port::GrafPort& screen, const Frame& f);

}  // namespace WindowFrame
