#pragma once

#include <QString>

#include <string>
#include <vector>

class QCoreApplication;

// Qt's side of the localisation: the shell's, the menus' and the interface files' texts (cellsheet_<lang>.qm
// among the application's resources, folder "translations") and Qt's own dialogs (qtbase_<lang>.qm from Qt's
// translations folder). The language is chosen as the report's tables choose theirs, from LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG, so a machine without the glibc locale still gets it.
class QorvCSTranslations {
public:
    // Installs the translators of the first of languages that cellsheet is translated into, and makes it Qt's
    // default locale. Returns that language, or an empty string (English, nothing installed).
    static QString install(QCoreApplication& application, const std::vector<std::string>& languages);

    // The compiled translation of the shell for language, or an empty string when there is none.
    static QString pathForLanguage(const std::string& language);
};
