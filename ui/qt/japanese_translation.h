// The Japanese texts of Qt's own widgets: the buttons of message boxes
// (はい, いいえ), the pickers and the edit fields' menu. The dialog is Japanese
// whatever the user's locale, so they are loaded always.
#ifndef JAPANESE_TRANSLATION_H
#define JAPANESE_TRANSLATION_H

class QCoreApplication;

// Installs Qt's Japanese translation into application, which owns it, and
// makes Japanese the default locale. False when the translation is missing.
bool installJapaneseTranslation(QCoreApplication &application);

#endif
