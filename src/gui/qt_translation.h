#pragma once

class QCoreApplication;

// Qt's own texts (the text boxes' edit menu, the buttons of standard boxes)
// in Japanese, whatever the locale, like the rest of the window. Loads Qt's
// Japanese translation from Qt's translations folder; false when it is not
// there, and Qt's texts stay English.
bool InstallJapaneseQtTexts(QCoreApplication &application);
