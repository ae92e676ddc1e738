#pragma once

class QStyle;

namespace gudang {

// The style of the screens' buttons with a face colour of their own: the face is painted in
// the palette's button colour, flat, as the screens are designed, with a dark frame, a deeper
// shade while pressed and a dotted rectangle around the caption while focused. Everything else
// is drawn by the application's style.
QStyle *faceStyle();

} // namespace gudang
