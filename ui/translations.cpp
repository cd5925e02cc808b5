#include "ui/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace tavrel::ui {

void InstallQtTranslations(QCoreApplication& application)
{
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), directory)) {
        qWarning("无法载入 Qt 的中文翻译“%s”，标准按钮将显示英文。",
                 qUtf8Printable(QDir::toNativeSeparators(directory + QStringLiteral("/qtbase_zh_CN.qm"))));
        delete translator;
        return;
    }
    application.installTranslator(translator);
}

}  // namespace tavrel::ui
