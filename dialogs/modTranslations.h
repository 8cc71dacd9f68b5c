#pragma once
// Italian for Qt's own texts: standard buttons (Sì, No, Annulla), file and print dialogs.

class QCoreApplication;

// Installs Qt's Italian translations into `app` and makes Italian (Italy) the default locale
// for dates and numbers. False when the translation files are missing; the locale is set
// all the same.
bool LoadItalianTranslations(QCoreApplication& app);
