#pragma once
// Qt's own texts (the buttons of message boxes and file dialogs) in the
// desktop's language, so a Japanese desktop reads はい and いいえ.

#include <QLocale>

class QTranslator;

namespace mirel {

// Installs Qt's translations for the locale into the application, which owns
// them from then on. Null when there are none for that language.
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace mirel
