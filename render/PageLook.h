// How a page's text is drawn, the same on every surface: the PDF writer and
// the GDI painter (print/win32/PagePainter) take their measures from here,
// so that a page on paper or on screen looks as it does in the PDF.
#pragma once

namespace orv::render {

// Italics are the upright face sheared by tan 12 degrees, about the slant
// of DejaVu's oblique faces, so that two faces are embedded rather than four.
constexpr double kItalicShear = 0.2126;
// Super- and subscripts: glyphs two thirds wide, as their cells are two
// thirds high; the pitch stays.
constexpr double kSmallScale = 2.0 / 3;
// Underlines, in the run's size: below the baseline, over the descenders.
constexpr double kUnderlineDrop = 0.1, kUnderlineWidth = 0.05;

}  // namespace orv::render
