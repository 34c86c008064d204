// What the files for taxes share: amounts, dates and descriptions as they
// write them, and CSV fields; each is saved whole (text/WholeFile.h).
#pragma once

#include "text/Money.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>

class QIODevice;

namespace tesmo::taxfile {

// An amount rounded to the cent, as 1234.50 or -400.00: no currency sign or
// grouping.
void appendAmount(QByteArray &line, Ticks ticks);

// A date as M/D/YYYY.
void appendDate(QByteArray &line, QDate date);

// A CSV field, quoted as CSV quotes it when it holds a comma, a quote or a
// line break.
void appendField(QByteArray &line, const QByteArray &text);

// What was sold, in UTF-8: "10 sh. ACME (Acme Corp)", without the
// parentheses when there is no name; the gain of a return of capital is
// "0 sh. ACME (Acme Corp) return of capital".
QByteArray description(double shares, const QString &ticker, const QString &name, bool capitalReturn = false);

// Writes text to out, which is open for writing; raises Error 3109 when the
// write fails.
void write(QIODevice &out, const QByteArray &text);

// Writes text to out once it holds more than a block, and empties it.
void writeWhenFull(QIODevice &out, QByteArray &text);

// Writes the file at path whole, as tesmo::saveWhole does, once its name is
// found to be one: raises Error 3109, writing nothing, when the path holds a
// line break, a tab or another control character.
void saveWhole(const QString &path, const std::function<void(QIODevice &)> &writer);

} // namespace tesmo::taxfile
