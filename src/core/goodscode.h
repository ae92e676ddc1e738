#pragma once

#include <QString>

namespace gudang {

// Why a goods code cannot be told apart from others by a person reading it: a control or
// invisible character (a zero-width space, a byte order mark, a line break, a space other
// than the plain one), named with its code point. Empty when the code is fine.
QString invisibleIn(const QString &code);

// The code as a person sees it: letter case and character width (full-width Ａ1, ligatures)
// folded away. Two codes with the same look-alike key are one code to a person.
QString lookAlikeKey(const QString &code);

// The first character Code 128 cannot carry as typed (only printable ASCII is scanned back as
// it was typed); empty when it carries all of them.
QString notInCode128(const QString &code);

} // namespace gudang
