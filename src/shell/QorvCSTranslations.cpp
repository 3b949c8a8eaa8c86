#include "QorvCSTranslations.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString QorvCSTranslations::pathForLanguage(const std::string& language)
{
    const auto path = qorv::Bundle::main().pathForResource("translations/cellsheet_" + language, "qm");
    return path ? QString::fromStdString(*path) : QString();
}

QString QorvCSTranslations::install(QCoreApplication& application, const std::vector<std::string>& languages)
{
    for (const auto& language : languages) {
        // English is the language of the sources: nothing to load, and no later language may override it.
        if (language == "en" || language.starts_with("en_"))
            return {};
        const QString path = pathForLanguage(language);
        if (path.isEmpty())
            continue;
        auto* own = new QTranslator(&application);
        if (!own->load(path)) {
            qorv::log("ignoring unreadable translation " + path.toStdString());
            delete own;
            continue;
        }
        const QString name = QString::fromStdString(language);
        // Qt's dialogs (page setup, print, file) in the same language, when Qt's translations are installed.
        auto* qt = new QTranslator(&application);
        if (qt->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        QCoreApplication::installTranslator(own);
        QLocale::setDefault(QLocale(name));
        return name;
    }
    return {};
}
