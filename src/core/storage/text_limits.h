#pragma once

#include <QByteArrayView>
#include <QString>

// Rules shared by the settings file and the history file for the text that
// goes into them and comes out of them.
namespace persist {

// text with every CR, LF and NUL replaced by a blank: a value written as one
// line of a file can then neither end early nor start new lines of its own.
QString ReplaceLineBreaks(QString text);

// bytes decoded as UTF-8, but at most their first maxBytes; a character that
// the limit would cut in two is left out whole. Invalid bytes become U+FFFD.
QString DecodeUtf8Prefix(QByteArrayView bytes, qsizetype maxBytes);

} // namespace persist
