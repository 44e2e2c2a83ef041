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
// Underlines, in the run's size: below the baseline, over the descenders;
// overlines (Style::overline) above it, just over the capitals, as wide.
constexpr double kUnderlineDrop = 0.1, kUnderlineWidth = 0.05;
constexpr double kOverlineRise = 0.8;
// Double-strike (Style::doubleStrike): darker than the regular face
// without becoming the bold one, as wide.  The PDF fills the regular face
// and strokes its outlines this wide, in the run's size (0.12 point at
// 12); a painter without outline strokes draws the run again this many
// points lower, as the printer's second pass (at least a pixel).
constexpr double kDoubleStrikeStroke = 0.01, kDoubleStrikeDrop = 1.0 / 3;

}  // namespace orv::render
